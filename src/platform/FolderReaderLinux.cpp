#include "platform/FolderReader.h"

#include <cstring>
#include <dirent.h>
#include <utility>

namespace tarnwick {

FolderReader::FolderReader(FileDescriptor folder)
    : folder_(std::move(folder))
    , buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {}

FolderReader::FolderReader(FolderReader&& other) noexcept
    : failed_(other.failed_)
    , ended_(other.ended_)
    , folder_(std::move(other.folder_))
    , buffer_(std::move(other.buffer_))
    , filled_(other.filled_)
    , position_(other.position_) {}

FolderReader::~FolderReader() = default;

bool FolderReader::isOpen() const {
    return folder_.isOpen() && buffer_ != nullptr;
}

int FolderReader::descriptor() const {
    return folder_.get();
}

bool FolderReader::next(const char*& name, unsigned char& type) {
    while (!ended_) {
        if (position_ >= filled_) {
            const auto size = getdents64(folder_.get(), buffer_.get(), bufferSize);
            if (size <= 0) {
                failed_ = size < 0;
                ended_ = true;
                return false;
            }
            filled_ = static_cast<std::size_t>(size);
            position_ = 0;
        }
        const char* record = buffer_.get() + position_;
        unsigned short length = 0;
        std::memcpy(&length, record + offsetof(dirent64, d_reclen), sizeof length);
        if (length == 0 || position_ + length > filled_) {
            failed_ = ended_ = true;
            return false;
        }
        position_ += length;
        name = record + offsetof(dirent64, d_name);
        type = static_cast<unsigned char>(record[offsetof(dirent64, d_type)]);
        if (!isDotOrDotDot(name)) {
            return true;
        }
    }
    return false;
}

} // namespace tarnwick
