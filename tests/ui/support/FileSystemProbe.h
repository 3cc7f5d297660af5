#pragma once

#include <string>

namespace tarnwick::testing {

// Counts the calls the current thread makes into the system to open or look at a file (open, stat and
// their kin) while a watch is held, and keeps the path of the last one. The test program that links the
// probe routes those calls through it; where it cannot (anywhere but Linux), `isAvailable` is false.
class FileSystemWatch {
public:
    FileSystemWatch();
    ~FileSystemWatch();
    FileSystemWatch(const FileSystemWatch&) = delete;
    FileSystemWatch& operator=(const FileSystemWatch&) = delete;

    static bool isAvailable();
    int calls() const { return calls_; }
    const std::string& lastPath() const { return lastPath_; }

private:
    friend void countFileSystemCall(const char* path);

    int calls_ = 0;
    std::string lastPath_;
    FileSystemWatch* outer_;
};

} // namespace tarnwick::testing
