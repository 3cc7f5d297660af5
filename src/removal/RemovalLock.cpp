#include "removal/RemovalLock.h"

#include "platform/DirectoryWalker.h"
#include "platform/PlatformError.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view prefix = ".removal-";
constexpr std::string_view suffix = ".lock";

fs::path lockFile(const fs::path& historyFolder, const Uuid& id) {
    return historyFolder / (std::string(prefix) + id.string() + std::string(suffix));
}

bool tryLock(int descriptor) {
    int result = 0;
    while ((result = ::flock(descriptor, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

} // namespace

RemovalLock::RemovalLock(const fs::path& historyFolder, const Uuid& id)
    : file_(lockFile(historyFolder, id)) {
    // Someone clearing abandoned lock files may delete ours between its creation and its lock: the lock
    // counts only on the file that is still there.
    for (;;) {
        lock_.reset(::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock_.isOpen()) {
            throw PlatformError::fromErrno(errno, "create", file_);
        }
        while (::flock(lock_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                throw PlatformError::fromErrno(errno, "lock", file_);
            }
        }
        struct stat locked {};
        struct stat present {};
        if (::fstat(lock_.get(), &locked) == 0 && ::lstat(file_.c_str(), &present) == 0 &&
            locked.st_dev == present.st_dev && locked.st_ino == present.st_ino) {
            return;
        }
    }
}

RemovalLock::~RemovalLock() {
    ::unlink(file_.c_str());
}

bool RemovalLock::isHeld(const fs::path& historyFolder, const Uuid& id) {
    const FileDescriptor file(::open(lockFile(historyFolder, id).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    return file.isOpen() && !tryLock(file.get());
}

void RemovalLock::removeAbandoned(const fs::path& historyFolder) {
    const auto entries = DirectoryWalker::children(historyFolder);
    if (!entries) {
        return;
    }
    for (const DirectoryEntry& entry : *entries) {
        if (!entry.isRegularFile || !entry.name().starts_with(prefix) || !entry.name().ends_with(suffix)) {
            continue;
        }
        const FileDescriptor file(::open(entry.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (file.isOpen() && tryLock(file.get())) {
            ::unlink(entry.path.c_str());
        }
    }
}

} // namespace tarnwick
