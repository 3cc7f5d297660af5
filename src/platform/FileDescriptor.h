#pragma once

#include <unistd.h>

namespace tarnwick {

// Owns an open file descriptor and closes it when it goes out of scope; a negative value owns nothing.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) noexcept
        : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return descriptor_; }
    bool isOpen() const { return descriptor_ >= 0; }

    // Closes now, reporting whether the last writes reached the file.
    bool close() noexcept {
        if (descriptor_ < 0) {
            return false;
        }
        const int result = ::close(descriptor_);
        descriptor_ = -1;
        return result == 0;
    }

private:
    int descriptor_;
};

} // namespace tarnwick
