#include "platform/OpenFolder.h"

#include "platform/Location.h"
#include "platform/PlatformError.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

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
// The flags of a look at `name` that takes a link as itself, and the folder itself for an empty name.
#ifdef AT_EMPTY_PATH
int lookFlags(const char* name) {
    return AT_SYMLINK_NOFOLLOW | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
}
#else
int lookFlags(const char*) {
    return AT_SYMLINK_NOFOLLOW;
}
#endif

std::optional<ItemIdentity> lookAt(int folder, const char* name) {
    const int flags = lookFlags(name);
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

// The mount of what is at `name` in `folder` (the folder itself for an empty name), a link taken as
// itself. Sets errno and gives nothing when it cannot be seen.
std::optional<MountIdentity> mountAt(int folder, const char* name) {
    const int flags = lookFlags(name);
#if defined(__linux__) && defined(STATX_MNT_ID)
    struct statx status {};
    if (::statx(folder, name, flags, STATX_TYPE | STATX_MNT_ID, &status) != 0) {
        return std::nullopt;
    }
    const std::uint64_t mount = (status.stx_mask & STATX_MNT_ID) != 0 ? status.stx_mnt_id : 0;
    return MountIdentity{makedev(status.stx_dev_major, status.stx_dev_minor), mount};
#else
    struct stat status {};
    const int result = name[0] == '\0' ? ::fstat(folder, &status) : ::fstatat(folder, name, &status, flags);
    if (result != 0) {
        return std::nullopt;
    }
    return MountIdentity{static_cast<std::uint64_t>(status.st_dev), 0};
#endif
}

// How many links one path may lead through, as the system itself allows.
constexpr int mostLinksFollowed = 40;

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

std::optional<MountIdentity> MountIdentity::at(const fs::path& location) {
    return location.empty() ? std::nullopt : mountAt(AT_FDCWD, location.c_str());
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

OpenFolder OpenFolder::throughSystemLinks(const fs::path& path, Missing missing) {
    if (!path.is_absolute()) {
        throw PlatformError::fromErrno(EINVAL, "open", path);
    }
    const OpenFolder root = withoutLinks("/");
    OpenFolder current = root.descendant({});
    std::deque<std::string> rest;
    for (const auto& component : path.relative_path()) {
        rest.push_back(component.native());
    }
    int linksFollowed = 0;
    while (!rest.empty()) {
        const std::string name = std::move(rest.front());
        rest.pop_front();
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            // Only a followed link's text brings this; "/.." is "/".
            FileDescriptor parent(::openat(current.folder_.get(), "..", folderFlags));
            if (!parent.isOpen()) {
                throw PlatformError::fromErrno(errno, "open", current.path_ / "..");
            }
            current = OpenFolder(std::move(parent), current.path_.parent_path());
            continue;
        }
        struct stat status {};
        if (::fstatat(current.folder_.get(), checkedName(name, current.path_).c_str(), &status,
                      AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || missing == Missing::fail) {
                throw PlatformError::fromErrno(errno, "open", current.path_ / name);
            }
            try {
                current = current.createChild(name, 0777);
            } catch (const PlatformError& error) {
                // Made by someone else meanwhile: look again at what it is.
                if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                    throw;
                }
                rest.push_front(name);
            }
            continue;
        }
        if (!S_ISLNK(status.st_mode)) {
            current = current.child(name);
            continue;
        }
        if (status.st_uid != 0 || ++linksFollowed > mostLinksFollowed) {
            throw PlatformError::fromErrno(ELOOP, "follow the link", current.path_ / name);
        }
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(current.folder_.get(), name.c_str(), target, sizeof target);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof target) {
            throw PlatformError::fromErrno(length < 0 ? errno : ENAMETOOLONG, "read the link",
                                           current.path_ / name);
        }
        const fs::path followed(std::string(target, static_cast<std::size_t>(length)));
        std::vector<std::string> parts;
        for (const auto& component : followed.relative_path()) {
            parts.push_back(component.native());
        }
        rest.insert(rest.begin(), parts.begin(), parts.end());
        if (followed.is_absolute()) {
            current = root.descendant({});
        }
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

MountIdentity OpenFolder::mount() const {
    if (auto mount = mountAt(folder_.get(), "")) {
        return *mount;
    }
    throw PlatformError::fromErrno(errno, "look at", path_);
}

std::optional<MountIdentity> OpenFolder::itemMount(std::string_view name) const {
    const std::string own = checkedName(name, path_);
    if (auto mount = mountAt(folder_.get(), own.c_str())) {
        return mount;
    }
    if (errno == ENOENT) {
        return std::nullopt;
    }
    throw PlatformError::fromErrno(errno, "look at", path_ / own);
}

bool OpenFolder::createFile(std::string_view name, std::string_view contents, unsigned permissions) const {
    const std::string own = checkedName(name, path_);
    FileDescriptor file(::openat(folder_.get(), own.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                 static_cast<mode_t>(permissions)));
    if (!file.isOpen()) {
        if (errno == EEXIST) {
            return false;
        }
        throw PlatformError::fromErrno(errno, "create", path_ / own);
    }
    while (!contents.empty()) {
        const ssize_t written = ::write(file.get(), contents.data(), contents.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = written == 0 ? EIO : errno;
            ::unlinkat(folder_.get(), own.c_str(), 0);
            throw PlatformError::fromErrno(error, "write", path_ / own);
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::fsync(file.get()) != 0 || !file.close()) {
        const int error = errno;
        ::unlinkat(folder_.get(), own.c_str(), 0);
        throw PlatformError::fromErrno(error, "write", path_ / own);
    }
    return true;
}

void OpenFolder::replaceFile(std::string_view name, std::string_view contents, unsigned permissions) const {
    const std::string own = checkedName(name, path_);
    // A name of its own for every attempt, so that a writer killed half-way leaves nothing in the way.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary =
            "." + own + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        if (!createFile(temporary, contents, permissions)) {
            continue;
        }
        if (::renameat(folder_.get(), temporary.c_str(), folder_.get(), own.c_str()) != 0) {
            const int error = errno;
            ::unlinkat(folder_.get(), temporary.c_str(), 0);
            throw PlatformError::fromErrno(error, "write", path_ / own);
        }
        return;
    }
    throw PlatformError::fromErrno(EEXIST, "write", path_ / own);
}

std::optional<std::string> OpenFolder::readFile(std::string_view name, std::size_t maximumSize,
                                                ItemIdentity* read) const {
    const std::string own = checkedName(name, path_);
    FileDescriptor file(::openat(folder_.get(), own.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw PlatformError::fromErrno(errno, "read", path_ / own);
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        throw PlatformError::fromErrno(EINVAL, "read", path_ / own);
    }
    if (read != nullptr) {
        const auto identity = lookAt(file.get(), "");
        if (!identity) {
            throw PlatformError::fromErrno(errno, "read", path_ / own);
        }
        *read = *identity;
    }
    std::string contents;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw PlatformError::fromErrno(errno, "read", path_ / own);
        }
        if (count == 0) {
            return contents;
        }
        if (contents.size() + static_cast<std::size_t>(count) > maximumSize) {
            throw PlatformError::fromErrno(EFBIG, "read", path_ / own);
        }
        contents.append(buffer, static_cast<std::size_t>(count));
    }
}

void OpenFolder::removeFile(std::string_view name) const {
    const std::string own = checkedName(name, path_);
    if (::unlinkat(folder_.get(), own.c_str(), 0) != 0 && errno != ENOENT) {
        throw PlatformError::fromErrno(errno, "delete", path_ / own);
    }
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
