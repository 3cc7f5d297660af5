#include "removal/RemovalLock.h"

#include "platform/DirectoryWalker.h"
#include "platform/PlatformError.h"

#include <array>
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

constexpr std::string_view kindSuffix(RemovalLock::Kind kind) {
    switch (kind) {
    case RemovalLock::Kind::removal:
        return "";
    case RemovalLock::Kind::restore:
        return ".restore";
    case RemovalLock::Kind::helper:
        return ".helper";
    }
    return "";
}

bool tryLock(int descriptor) {
    int result = 0;
    while ((result = ::flock(descriptor, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

bool isHeldAt(const fs::path& file) {
    const FileDescriptor lock(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    return lock.isOpen() && !tryLock(lock.get());
}

} // namespace

fs::path RemovalLock::file(const fs::path& historyFolder, const Uuid& id, Kind kind) {
    return historyFolder /
           (std::string(prefix) + id.string() + std::string(kindSuffix(kind)) + std::string(suffix));
}

RemovalLock::RemovalLock(const fs::path& historyFolder, const Uuid& id, Kind kind)
    : file_(file(historyFolder, id, kind)) {
    take(true);
}

std::optional<RemovalLock> RemovalLock::tryTake(const fs::path& historyFolder, const Uuid& id, Kind kind) {
    RemovalLock lock;
    lock.file_ = file(historyFolder, id, kind);
    if (!lock.take(false)) {
        return std::nullopt;
    }
    return lock;
}

RemovalLock::RemovalLock(RemovalLock&& other) noexcept
    : file_(std::move(other.file_))
    , lock_(std::move(other.lock_)) {
    other.file_.clear();
}

RemovalLock& RemovalLock::operator=(RemovalLock&& other) noexcept {
    if (this != &other) {
        if (!file_.empty()) {
            ::unlink(file_.c_str());
        }
        file_ = std::move(other.file_);
        lock_ = std::move(other.lock_);
        other.file_.clear();
    }
    return *this;
}

bool RemovalLock::take(bool wait) {
    // Someone clearing abandoned lock files may delete ours between its creation and its lock: the lock
    // counts only on the file that is still there.
    for (;;) {
        lock_.reset(::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock_.isOpen()) {
            throw PlatformError::fromErrno(errno, "create", file_);
        }
        if (!wait) {
            if (!tryLock(lock_.get())) {
                lock_.reset();
                file_.clear(); // not ours to delete
                return false;
            }
        } else {
            while (::flock(lock_.get(), LOCK_EX) != 0) {
                if (errno != EINTR) {
                    throw PlatformError::fromErrno(errno, "lock", file_);
                }
            }
        }
        struct stat locked {};
        struct stat present {};
        if (::fstat(lock_.get(), &locked) == 0 && ::lstat(file_.c_str(), &present) == 0 &&
            locked.st_dev == present.st_dev && locked.st_ino == present.st_ino) {
            return true;
        }
    }
}

RemovalLock::~RemovalLock() {
    if (!file_.empty()) {
        ::unlink(file_.c_str());
    }
}

fs::path RemovalLock::prepareHelperLock(const fs::path& historyFolder, const Uuid& id) {
    const fs::path helper = file(historyFolder, id, Kind::helper);
    const FileDescriptor made(::open(helper.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!made.isOpen()) {
        throw PlatformError::fromErrno(errno, "create", helper);
    }
    return helper;
}

bool RemovalLock::isHeld(const fs::path& historyFolder, const Uuid& id, Kind kind) {
    return isHeldAt(file(historyFolder, id, kind));
}

void RemovalLock::removeAbandoned(const fs::path& historyFolder) {
    const auto entries = DirectoryWalker::children(historyFolder);
    if (!entries) {
        return;
    }
    for (const DirectoryEntry& entry : *entries) {
        const std::string name(entry.name());
        if (!entry.isRegularFile || !name.starts_with(prefix) || !name.ends_with(suffix)) {
            continue;
        }
        const std::string_view middle =
            std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        // The helper locks its file only once authorised: until then the work that made it keeps it.
        if (middle.ends_with(kindSuffix(Kind::helper))) {
            const auto id = Uuid::parse(middle.substr(0, middle.size() - kindSuffix(Kind::helper).size()));
            if (!id || isHeld(historyFolder, *id, Kind::removal) ||
                isHeld(historyFolder, *id, Kind::restore)) {
                continue;
            }
        }
        const FileDescriptor file(::open(entry.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (file.isOpen() && tryLock(file.get())) {
            ::unlink(entry.path.c_str());
        }
    }
}

} // namespace tarnwick
