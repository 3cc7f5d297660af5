#pragma once

#include "platform/FileDescriptor.h"

#include <cstddef>
#include <memory>

#ifndef __linux__
#include <dirent.h>
#endif

namespace tarnwick {

// Reads the records of one open folder, "." and ".." left out, and owns the folder's descriptor. On
// Linux the records come straight from the kernel: a C library directory stream costs three more system
// calls per folder (checks and flags of no use here), some 15% of a walk's time. Elsewhere it is a
// directory stream.
class FolderReader {
public:
    // Takes `folder` over, even when it turns out unreadable.
    explicit FolderReader(FileDescriptor folder);
    FolderReader(FolderReader&& other) noexcept;
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    FolderReader& operator=(FolderReader&&) = delete;
    ~FolderReader();

    bool isOpen() const;
    int descriptor() const;
    // False at the end, or when the folder cannot be read further (then `failed()`). `type` is a
    // `DT_*` value of <dirent.h>. The name stays valid until the next call.
    bool next(const char*& name, unsigned char& type);
    bool failed() const { return failed_; }

private:
    bool failed_ = false;
    bool ended_ = false;
#ifdef __linux__
    static constexpr std::size_t bufferSize = 32 * 1024;
    FileDescriptor folder_;
    std::unique_ptr<char[]> buffer_;
    std::size_t filled_ = 0;
    std::size_t position_ = 0;
#else
    DIR* stream_ = nullptr;
#endif
};

// Whether a record names the folder itself or its parent.
inline bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace tarnwick
