#pragma once

#include "platform/Platform.h"
#include "removal/AdminProtocol.h"
#include "removal/AdminRequest.h"
#include "removal/Trash.h"
#include "removal/Uuid.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarnwick {

// One batch of the administrator step: the items the user may not move, bound for one folder
// "Tarnwick-<app>-<identifier>" in one Trash, as "<position>-<name>", or taken back out of it. The
// helper makes the folder.
class AdministratorBatch {
public:
    static constexpr std::string_view folderPrefix = AdminProtocol::batchFolderPrefix;

    // The part of a request that says who asks and where their files are, for the removal `record`; the
    // helper's lock file is made beside the history in `historyFolder`. Throws a PlatformError.
    static AdminRequest requestFor(AdminRequest::Action action, const Platform& platform,
                                   const std::filesystem::path& homeTrash,
                                   const std::filesystem::path& historyFolder, const Uuid& record);

    // A new batch folder in `trash` for the items of `appName`.
    AdministratorBatch(AdminRequest request, const Trash& trash, std::string_view appName);
    // The batch folder `folder`, whose items are to be put back.
    AdministratorBatch(AdminRequest request, const std::filesystem::path& folder);

    // Moving to the Trash: adds the item named `name` in the resolved `folder`; returns the place it will
    // take.
    std::filesystem::path add(const std::filesystem::path& folder, const std::string& name);
    // Putting back: adds the item at `place` in the batch folder, bound for `former`.
    void addPutBack(const std::filesystem::path& place, const std::filesystem::path& former);

    const AdminRequest& request() const { return request_; }
    std::filesystem::path folder() const { return request_.trashFolder / request_.batchFolderName; }

    // Whether `place` lies directly in a batch folder of `trash`, where only the administrator step puts
    // items.
    static bool isInBatchFolder(const std::filesystem::path& place, const Trash& trash);

    // The application's name with every character but ASCII letters, digits, ".", "_", " " and "-"
    // replaced by "_", at most 128 bytes: a batch folder's name always fits a file system.
    static std::string safeName(std::string_view appName);

    // Removes `folder` when it is an empty batch folder of ours in `trash`, as one is once everything left
    // it.
    static void removeIfEmpty(const std::filesystem::path& folder, const Trash& trash);

private:
    AdminRequest request_;
};

} // namespace tarnwick
