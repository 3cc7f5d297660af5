#pragma once

#include <unistd.h>
#include <utility>

namespace tarnwick {

// Owns an open file descriptor and closes it when it goes out of scope; a negative value owns nothing.
class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    explicit FileDescriptor(int descriptor) noexcept
        : descriptor_(descriptor) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept
        : descriptor_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    int get() const { return descriptor_; }
    bool isOpen() const { return descriptor_ >= 0; }

    // Gives the descriptor up without closing it.
    int release() noexcept { return std::exchange(descriptor_, -1); }

    // Closes what is owned, then owns `descriptor`.
    void reset(int descriptor = -1) noexcept {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = descriptor;
    }

    // Closes now, reporting whether the last writes reached the file.
    bool close() noexcept {
        if (descriptor_ < 0) {
            return false;
        }
        return ::close(release()) == 0;
    }

private:
    int descriptor_ = -1;
};

} // namespace tarnwick
