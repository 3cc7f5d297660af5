#include "support/FileSystemProbe.h"

namespace tarnwick::testing {

namespace {

thread_local FileSystemWatch* watching = nullptr;

} // namespace

void countFileSystemCall(const char* path) {
    if (FileSystemWatch* watch = watching) {
        ++watch->calls_;
        watch->lastPath_ = path != nullptr ? path : "";
    }
}

FileSystemWatch::FileSystemWatch()
    : outer_(watching) {
    watching = this;
}

FileSystemWatch::~FileSystemWatch() {
    watching = outer_;
}

bool FileSystemWatch::isAvailable() {
#if defined(__linux__)
    return true;
#else
    return false;
#endif
}

} // namespace tarnwick::testing

#if defined(__linux__)

// The C library's entry points, defined in the test program so that every library's calls come here first;
// each counts and hands over to the next definition (the sanitizer's or the C library's). Only headers that
// do not declare the others are included: their declarations would clash with these.
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>

namespace {

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The mode argument of open, present only when a file may be made (O_CREAT or O_TMPFILE, as Linux numbers
// them).
unsigned modeOf(int flags, std::va_list& arguments) {
    constexpr int create = 0100;
    constexpr int temporary = 020200000;
    return (flags & create) != 0 || (flags & temporary) == temporary ? va_arg(arguments, unsigned) : 0;
}

} // namespace

#define TARNWICK_PATH_CALL(name, result, parameters, arguments, path)                                        \
    extern "C" result name parameters {                                                                      \
        static const auto real = next<result(*) parameters>(#name);                                          \
        tarnwick::testing::countFileSystemCall(path);                                                        \
        return real arguments;                                                                               \
    }

#define TARNWICK_OPEN_CALL(name, parameters, arguments, path)                                                \
    extern "C" int name parameters {                                                                         \
        static const auto real = next<int(*) parameters>(#name);                                             \
        std::va_list rest;                                                                                   \
        va_start(rest, flags);                                                                               \
        const unsigned mode = modeOf(flags, rest);                                                           \
        va_end(rest);                                                                                        \
        tarnwick::testing::countFileSystemCall(path);                                                        \
        return real arguments;                                                                               \
    }

struct stat;
struct stat64;
struct statx;

TARNWICK_OPEN_CALL(open, (const char* file, int flags, ...), (file, flags, mode), file)
TARNWICK_OPEN_CALL(open64, (const char* file, int flags, ...), (file, flags, mode), file)
TARNWICK_OPEN_CALL(openat, (int folder, const char* file, int flags, ...), (folder, file, flags, mode), file)
TARNWICK_OPEN_CALL(openat64, (int folder, const char* file, int flags, ...), (folder, file, flags, mode),
                   file)
TARNWICK_PATH_CALL(stat, int, (const char* file, struct stat* status), (file, status), file)
TARNWICK_PATH_CALL(lstat, int, (const char* file, struct stat* status), (file, status), file)
TARNWICK_PATH_CALL(stat64, int, (const char* file, struct stat64* status), (file, status), file)
TARNWICK_PATH_CALL(lstat64, int, (const char* file, struct stat64* status), (file, status), file)
TARNWICK_PATH_CALL(fstatat, int, (int folder, const char* file, struct stat* status, int flags),
                   (folder, file, status, flags), file)
TARNWICK_PATH_CALL(fstatat64, int, (int folder, const char* file, struct stat64* status, int flags),
                   (folder, file, status, flags), file)
TARNWICK_PATH_CALL(statx, int, (int folder, const char* file, int flags, unsigned mask, struct statx* status),
                   (folder, file, flags, mask, status), file)
TARNWICK_PATH_CALL(access, int, (const char* file, int mode), (file, mode), file)
TARNWICK_PATH_CALL(faccessat, int, (int folder, const char* file, int mode, int flags),
                   (folder, file, mode, flags), file)
TARNWICK_PATH_CALL(opendir, void*, (const char* folder), (folder), folder)
TARNWICK_PATH_CALL(readlink, long, (const char* file, char* buffer, unsigned long size), (file, buffer, size),
                   file)
TARNWICK_PATH_CALL(fopen, FILE*, (const char* file, const char* mode), (file, mode), file)
TARNWICK_PATH_CALL(fopen64, FILE*, (const char* file, const char* mode), (file, mode), file)

#endif
