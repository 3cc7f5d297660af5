#include "platform/FileOperations.h"

#include "platform/FileDescriptor.h"
#include "platform/PlatformError.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace tarnwick::FileOperations {

namespace fs = std::filesystem;

namespace {

bool writeAll(int descriptor, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(descriptor, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO; // nothing written and no reason given
            }
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The temporary file of a replacement: ".name.XXXXXX" beside the file, the Xs made unique by mkstemp.
constexpr std::string_view uniqueSuffix = "XXXXXX";

std::string temporaryPrefix(const fs::path& location) {
    return "." + location.filename().string() + ".";
}

} // namespace

bool exists(const fs::path& location) {
    struct stat status {};
    return ::lstat(location.c_str(), &status) == 0;
}

void moveWithoutReplacing(const fs::path& source, const fs::path& destination) {
#ifdef __APPLE__
    const int result = ::renamex_np(source.c_str(), destination.c_str(), RENAME_EXCL);
#else
    const int result = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE);
#endif
    if (result != 0) {
        throw PlatformError::fromErrno(errno, "move", source);
    }
}

bool isLocked(const fs::path& location) {
#if defined(__APPLE__)
    struct stat status {};
    if (::lstat(location.c_str(), &status) != 0) {
        return false;
    }
    return (status.st_flags & (UF_IMMUTABLE | SF_IMMUTABLE | UF_APPEND | SF_APPEND)) != 0;
#elif defined(__linux__)
    // The flags are read through the item itself, which must not be followed if it is a link.
    const int descriptor = ::open(location.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    int flags = 0;
    const bool read = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(descriptor);
    return read && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
#else
    (void)location;
    return false;
#endif
}

void createFolder(const fs::path& location, unsigned permissions) {
    if (::mkdir(location.c_str(), static_cast<mode_t>(permissions)) != 0) {
        throw PlatformError::fromErrno(errno, "create the folder", location);
    }
}

bool createNew(const fs::path& location, std::string_view contents, unsigned permissions) {
    FileDescriptor file(
        ::open(location.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(permissions)));
    if (file.get() < 0) {
        if (errno == EEXIST) {
            return false;
        }
        throw PlatformError::fromErrno(errno, "create", location);
    }
    if (!writeAll(file.get(), contents) || ::fsync(file.get()) != 0 || !file.close()) {
        const int error = errno;
        ::unlink(location.c_str());
        throw PlatformError::fromErrno(error, "write", location);
    }
    return true;
}

void writeFile(const fs::path& location, std::string_view contents, unsigned permissions) {
    FileDescriptor file(
        ::open(location.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(permissions)));
    if (!file.isOpen() || !writeAll(file.get(), contents) || !file.close()) {
        throw PlatformError::fromErrno(errno, "write", location);
    }
}

std::optional<std::string> readFile(const fs::path& location, std::size_t maximumSize) {
    // Non-blocking, so that a named pipe in place of the file cannot stall the caller.
    const FileDescriptor file(::open(location.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.isOpen()) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw PlatformError::fromErrno(errno, "read", location);
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        throw PlatformError::fromErrno(errno, "read", location);
    }
    if (!S_ISREG(status.st_mode)) {
        throw PlatformError::fromErrno(S_ISDIR(status.st_mode) ? EISDIR : EINVAL, "read", location);
    }
    // One byte more than allowed tells a file that is too long (or grew since it was measured).
    const std::size_t wanted = std::min(maximumSize, std::numeric_limits<std::size_t>::max() - 1) + 1;
    std::string contents;
    std::size_t filled = 0;
    while (filled < wanted) {
        if (filled == contents.size()) {
            // The size it had, and a byte to see the end by; only a file that grew, or one that tells no
            // size, reads on in larger steps. Small files are read by the thousand, and zeroing a large
            // buffer for each would cost more than reading them.
            const std::uintmax_t next = contents.empty() ? static_cast<std::uintmax_t>(status.st_size) + 1
                                                         : static_cast<std::uintmax_t>(filled) + 65536;
            contents.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(wanted, next)));
        }
        const ssize_t count = ::read(file.get(), contents.data() + filled, contents.size() - filled);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw PlatformError::fromErrno(errno, "read", location);
        }
        if (count == 0) {
            break;
        }
        filled += static_cast<std::size_t>(count);
    }
    if (filled > maximumSize) {
        throw PlatformError::fromErrno(EFBIG, "read", location);
    }
    contents.resize(filled);
    return contents;
}

void replaceAtomically(const fs::path& location, std::string_view contents, Durability durability) {
    Replacement replacement(location, durability);
    replacement.write(contents);
    replacement.commit();
}

Replacement::Replacement(fs::path location, Durability durability)
    : location_(std::move(location))
    , durability_(durability)
    , temporary_(
          (location_.parent_path() / (temporaryPrefix(location_) + std::string(uniqueSuffix))).string())
    , descriptor_(::mkostemp(temporary_.data(), O_CLOEXEC)) {
    if (descriptor_ < 0) {
        throw PlatformError::fromErrno(errno, "write", location_);
    }
}

Replacement::~Replacement() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        ::unlink(temporary_.c_str());
    }
}

void Replacement::write(std::string_view piece) {
    // Pieces are gathered into large writes.
    constexpr std::size_t gathered = 1 << 20;
    if (buffer_.size() + piece.size() < gathered) {
        buffer_.append(piece);
        return;
    }
    if (!writeAll(descriptor_, buffer_) || !writeAll(descriptor_, piece)) {
        throw PlatformError::fromErrno(errno, "write", location_);
    }
    buffer_.clear();
}

void Replacement::commit() {
    const bool flushes = durability_ == Durability::flushed;
    bool written = writeAll(descriptor_, buffer_) && (!flushes || ::fsync(descriptor_) == 0) &&
                   ::fchmod(descriptor_, 0644) == 0;
    int error = errno;
    if (::close(descriptor_) != 0 && written) {
        written = false;
        error = errno;
    }
    descriptor_ = -1;
    if (written && ::rename(temporary_.c_str(), location_.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary_.c_str());
        throw PlatformError::fromErrno(error, "write", location_);
    }
    if (!flushes) {
        return;
    }
    // The new name must reach the disk too, or a crash could bring back the old file.
    FileDescriptor folder(::open(location_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
}

void removeAbandonedReplacements(const fs::path& location) {
    const std::string prefix = temporaryPrefix(location);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(location.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + uniqueSuffix.size() && name.starts_with(prefix)) {
            ::unlink(entry.path().c_str());
        }
    }
}

} // namespace tarnwick::FileOperations
