#include "support/FileLock.h"

#include <fcntl.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#elif defined(__APPLE__)
#include <sys/stat.h>
#endif

namespace tarnwick::testing {

namespace {

bool setLocked(const std::filesystem::path& location, bool locked) {
#if defined(__linux__)
    const int descriptor = ::open(location.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(descriptor);
    return done;
#elif defined(__APPLE__)
    struct stat status {};
    if (::lstat(location.c_str(), &status) != 0) {
        return false;
    }
    const auto flags = locked ? (status.st_flags | UF_IMMUTABLE) : (status.st_flags & ~UF_IMMUTABLE);
    return ::lchflags(location.c_str(), flags) == 0;
#else
    (void)location;
    (void)locked;
    return false;
#endif
}

} // namespace

bool lockForTest(const std::filesystem::path& location) {
    return setLocked(location, true);
}

void unlockForTest(const std::filesystem::path& location) {
    setLocked(location, false);
}

} // namespace tarnwick::testing
