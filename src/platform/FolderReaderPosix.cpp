#include "platform/FolderReader.h"

#include <cerrno>
#include <utility>

namespace tarnwick {

FolderReader::FolderReader(FileDescriptor folder)
    : stream_(fdopendir(folder.get())) {
    // The stream owns the descriptor from now on; without a stream the descriptor closes here.
    if (stream_ != nullptr) {
        folder.release();
    }
}

FolderReader::FolderReader(FolderReader&& other) noexcept
    : failed_(other.failed_)
    , ended_(other.ended_)
    , stream_(std::exchange(other.stream_, nullptr)) {}

FolderReader::~FolderReader() {
    if (stream_ != nullptr) {
        closedir(stream_);
    }
}

bool FolderReader::isOpen() const {
    return stream_ != nullptr;
}

int FolderReader::descriptor() const {
    return stream_ == nullptr ? -1 : dirfd(stream_);
}

bool FolderReader::next(const char*& name, unsigned char& type) {
    while (!ended_ && stream_ != nullptr) {
        errno = 0;
        const dirent* record = readdir(stream_);
        if (record == nullptr) {
            failed_ = errno != 0;
            ended_ = true;
            return false;
        }
        if (!isDotOrDotDot(record->d_name)) {
            name = record->d_name;
            type = record->d_type;
            return true;
        }
    }
    return false;
}

} // namespace tarnwick
