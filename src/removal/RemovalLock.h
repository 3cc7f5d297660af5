#pragma once

#include "platform/FileDescriptor.h"
#include "removal/Uuid.h"

#include <filesystem>
#include <optional>

namespace tarnwick {

// Says that work on one removal's record is under way for as long as the lock is held, so that nobody
// takes the record for that of an interrupted removal or restore. Each lock is a small file beside the
// history, locked with flock: the system lets go of it when the process ends, however it ends.
class RemovalLock {
public:
    enum class Kind {
        removal, // the removal is moving items
        restore, // the removal's items are being put back
        helper,  // the administrator helper may still move items of it: it locks the file itself
    };

    // Takes the lock, waiting for whoever holds it. Throws a PlatformError when the file cannot be made.
    RemovalLock(const std::filesystem::path& historyFolder, const Uuid& id, Kind kind = Kind::removal);
    // Takes the lock when nobody holds it; nothing when somebody does.
    static std::optional<RemovalLock> tryTake(const std::filesystem::path& historyFolder, const Uuid& id,
                                              Kind kind);
    ~RemovalLock();
    RemovalLock(RemovalLock&&) noexcept;
    RemovalLock& operator=(RemovalLock&&) noexcept;
    RemovalLock(const RemovalLock&) = delete;
    RemovalLock& operator=(const RemovalLock&) = delete;

    static std::filesystem::path file(const std::filesystem::path& historyFolder, const Uuid& id, Kind kind);

    // Makes the file of the helper's lock for `id`, for the helper to lock once it runs; the file stays
    // while the removal or restore that made it holds its own lock. Throws a PlatformError.
    static std::filesystem::path prepareHelperLock(const std::filesystem::path& historyFolder,
                                                   const Uuid& id);

    // Whether the lock is held now, in this process or another.
    static bool isHeld(const std::filesystem::path& historyFolder, const Uuid& id, Kind kind);

    // Deletes the lock files nobody holds; a helper's stays while the work that made it runs.
    static void removeAbandoned(const std::filesystem::path& historyFolder);

private:
    RemovalLock() = default;
    // Locks `file_`, made when missing; false when `wait` is false and somebody holds it.
    bool take(bool wait);

    std::filesystem::path file_;
    FileDescriptor lock_;
};

} // namespace tarnwick
