#pragma once

#include "platform/OpenFolder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// What the administrator helper moved into one batch folder: for each item its name there, the path it
// was taken from and what it is. With administrator rights the helper keeps it where only it can write,
// so that the way back of an item it moved comes from its own record, never from files the user's
// processes can change. Written before each move and flushed, so that it is never behind the Trash.
class AdminLedger {
public:
    struct Entry {
        std::string name;
        std::string originalPath;
        ItemIdentity item;
        // The label of the daemon stopped before the item, its list, moved: started again once it is back.
        std::string job{};
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // The ledger folder of `user` inside `base`, both made when missing, private to whoever runs this,
    // and reached through no link. Throws a PlatformError, also for a folder someone else could change.
    static OpenFolder openFolder(const std::filesystem::path& base, uid_t user);

    // The ledger of the batch folder `batchFolderName` in the open ledger folder; reads what it holds.
    // Throws a PlatformError when it cannot be read.
    AdminLedger(const OpenFolder& folder, std::string batchFolderName);

    const std::vector<Entry>& entries() const { return entries_; }
    const Entry* find(std::string_view name) const;

    // Adds the entry, or replaces the one of the same name, and writes the ledger. Throws a PlatformError.
    void record(Entry entry);
    // Drops the entry of `name` and writes the ledger, or deletes it once empty. Throws a PlatformError.
    void forget(std::string_view name);

private:
    void write() const;
    std::string fileName() const;

    const OpenFolder& folder_;
    std::string batchFolderName_;
    std::vector<Entry> entries_;
};

} // namespace tarnwick
