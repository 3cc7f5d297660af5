#pragma once

#include "removal/AdminRequest.h"
#include "removal/Trash.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarnwick {

// One batch of the administrator step: the items the user may not move, bound for one folder
// "Tarnwick-<app>-<identifier>" in one Trash, as "<position>-<name>". The helper makes the folder.
class AdministratorBatch {
public:
    static constexpr std::string_view folderPrefix = "Tarnwick-";

    AdministratorBatch(const Trash& trash, std::string_view appName, uid_t owner);

    // Adds the item named `name` in the resolved `folder`; returns the place it will take.
    std::filesystem::path add(const std::filesystem::path& folder, const std::string& name);

    const AdminRequest& request() const { return request_; }
    std::filesystem::path folder() const { return request_.trashFolder / request_.batchFolderName; }

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
