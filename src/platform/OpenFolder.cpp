#include "platform/OpenFolder.h"

#include "platform/Location.h"
#include "platform/PlatformError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// Only a handle for finding names in the folder: that needs the right to search it, not to list it, as a
// walk through a home folder open to others for search only must work.
#if defined(O_PATH)
constexpr int accessFlags = O_PATH;
#elif defined(O_SEARCH)
constexpr int accessFlags = O_SEARCH;
#else
constexpr int accessFlags = O_RDONLY;
#endif
constexpr int folderFlags = accessFlags | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;

ItemIdentity::Kind kindOf(unsigned mode) {
    using Kind = ItemIdentity::Kind;
    return S_ISREG(mode)   ? Kind::file
           : S_ISDIR(mode) ? Kind::folder
           : S_ISLNK(mode) ? Kind::link
                           : Kind::other;
}

// What is at `name` in `folder` (the folder itself for an empty name), a link taken as itself. Sets
// errno and gives nothing when it cannot be seen.
std::optional<ItemIdentity> lookAt(int folder, const char* name) {
    const int flags = AT_SYMLINK_NOFOLLOW | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
#ifdef __linux__
    struct statx status {};
    if (::statx(folder, name, flags, STATX_TYPE | STATX_INO | STATX_BTIME, &status) != 0) {
        return std::nullopt;
    }
    const std::int64_t birth =
        (status.stx_mask & STATX_BTIME) != 0
            ? static_cast<std::int64_t>(status.stx_btime.tv_sec) * 1'000'000'000 + status.stx_btime.tv_nsec
            : 0;
    return ItemIdentity{makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino,
                        kindOf(status.stx_mode), birth};
#else
    struct stat status {};
    const int result = name[0] == '\0' ? ::fstat(folder, &status) : ::fstatat(folder, name, &status, flags);
    if (result != 0) {
        return std::nullopt;
    }
    const std::int64_t birth = static_cast<std::int64_t>(status.st_birthtimespec.tv_sec) * 1'000'000'000 +
                               status.st_birthtimespec.tv_nsec;
    return ItemIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                        kindOf(status.st_mode), birth};
#endif
}

// A name that stays inside the folder: one component, not "." or "..".
std::string checkedName(std::string_view name, const fs::path& folder) {
    if (!Location::isSingleComponent(name)) {
        throw PlatformError::fromErrno(EINVAL, "open", folder / std::string(name));
    }
    return std::string(name);
}

} // namespace

std::optional<ItemIdentity> ItemIdentity::at(const fs::path& location) {
    return location.empty() ? std::nullopt : lookAt(AT_FDCWD, location.c_str());
}

bool ItemIdentity::isSameObject(const ItemIdentity& other) const {
    return device == other.device && inode == other.inode && kind == other.kind &&
           (birth == 0 || other.birth == 0 || birth == other.birth);
}

OpenFolder::OpenFolder(FileDescriptor folder, fs::path path)
    : folder_(std::move(folder))
    , path_(std::move(path)) {}

OpenFolder OpenFolder::withoutLinks(const fs::path& path) {
    if (!path.is_absolute()) {
        throw PlatformError::fromErrno(EINVAL, "open", path);
    }
    FileDescriptor root(::open("/", folderFlags));
    if (!root.isOpen()) {
        throw PlatformError::fromErrno(errno, "open", "/");
    }
    return OpenFolder(std::move(root), "/").descendant(path.relative_path());
}

OpenFolder OpenFolder::child(std::string_view name) const {
    const std::string own = checkedName(name, path_);
    FileDescriptor folder(::openat(folder_.get(), own.c_str(), folderFlags));
    if (!folder.isOpen()) {
        throw PlatformError::fromErrno(errno, "open", path_ / own);
    }
    return OpenFolder(std::move(folder), path_ / own);
}

OpenFolder OpenFolder::createChild(std::string_view name, unsigned permissions) const {
    const std::string own = checkedName(name, path_);
    if (::mkdirat(folder_.get(), own.c_str(), static_cast<mode_t>(permissions)) != 0) {
        throw PlatformError::fromErrno(errno, "create the folder", path_ / own);
    }
    return child(own);
}

OpenFolder OpenFolder::descendant(const fs::path& relative) const {
    OpenFolder current(FileDescriptor(::fcntl(folder_.get(), F_DUPFD_CLOEXEC, 0)), path_);
    if (!current.folder_.isOpen()) {
        throw PlatformError::fromErrno(errno, "open", path_);
    }
    for (const auto& component : relative) {
        const std::string name = component.native();
        // Empty parts come from doubled or trailing separators, "." from nowhere useful: both stay here.
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            throw PlatformError::fromErrno(EINVAL, "open", path_ / relative);
        }
        current = current.child(name);
    }
    return current;
}

std::optional<ItemIdentity> OpenFolder::itemIdentity(std::string_view name) const {
    const std::string own = checkedName(name, path_);
    if (auto identity = lookAt(folder_.get(), own.c_str())) {
        return identity;
    }
    if (errno == ENOENT) {
        return std::nullopt;
    }
    throw PlatformError::fromErrno(errno, "look at", path_ / own);
}

ItemIdentity OpenFolder::identity() const {
    if (auto identity = lookAt(folder_.get(), "")) {
        return *identity;
    }
    throw PlatformError::fromErrno(errno, "look at", path_);
}

uid_t OpenFolder::owner() const {
    struct stat status {};
    if (::fstat(folder_.get(), &status) != 0) {
        throw PlatformError::fromErrno(errno, "look at", path_);
    }
    return status.st_uid;
}

void OpenFolder::moveWithoutReplacing(std::string_view name, const OpenFolder& destination,
                                      std::string_view destinationName) const {
    const std::string from = checkedName(name, path_);
    const std::string to = checkedName(destinationName, destination.path_);
#ifdef __APPLE__
    const int result =
        ::renameatx_np(folder_.get(), from.c_str(), destination.folder_.get(), to.c_str(), RENAME_EXCL);
#else
    const int result =
        ::renameat2(folder_.get(), from.c_str(), destination.folder_.get(), to.c_str(), RENAME_NOREPLACE);
#endif
    if (result != 0) {
        throw PlatformError::fromErrno(errno, "move", path_ / from);
    }
}

} // namespace tarnwick
