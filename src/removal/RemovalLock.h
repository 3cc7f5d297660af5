#pragma once

#include "platform/FileDescriptor.h"
#include "removal/Uuid.h"

#include <filesystem>

namespace tarnwick {

// Says that a removal is running for as long as the object lives, so that nobody takes its record for
// the record of an interrupted removal. It is a lock on a small file beside the history, which the system
// lets go of when the process ends, however it ends.
class RemovalLock {
public:
    // Throws a PlatformError when the lock file cannot be made.
    RemovalLock(const std::filesystem::path& historyFolder, const Uuid& id);
    ~RemovalLock();
    RemovalLock(const RemovalLock&) = delete;
    RemovalLock& operator=(const RemovalLock&) = delete;

    // Whether the removal `id` is running now, in this process or another.
    static bool isHeld(const std::filesystem::path& historyFolder, const Uuid& id);

    // Deletes the lock files of removals that no longer run.
    static void removeAbandoned(const std::filesystem::path& historyFolder);

private:
    std::filesystem::path file_;
    FileDescriptor lock_;
};

} // namespace tarnwick
