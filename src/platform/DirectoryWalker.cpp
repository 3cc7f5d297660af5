#include "platform/DirectoryWalker.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarnwick {

namespace {

// Folders at a depth below this keep their stream open and are read lazily while their sub-folders
// are walked. Deeper folders are read whole when opened and hold a descriptor only while they are the
// innermost folder, so a walk never holds more than about this many descriptors, however deep the tree.
constexpr std::size_t streamedDepth = 64;

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(int descriptor) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        return std::nullopt;
    }
    return Identity{status.st_dev, status.st_ino};
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Fills the type (and size) of `entry` from the directory record, reading the metadata only when
// the record does not tell the type or a size is wanted. False when the metadata cannot be read.
bool classify(DirectoryEntry& entry, int folder, const char* name, unsigned char type, bool readsSizes) {
    entry.isDirectory = type == DT_DIR;
    entry.isRegularFile = type == DT_REG;
    entry.isSymbolicLink = type == DT_LNK;
    entry.size = 0;
    if (type != DT_UNKNOWN && !(readsSizes && type == DT_REG)) {
        return true;
    }
    struct stat status {};
    if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    entry.isDirectory = S_ISDIR(status.st_mode);
    entry.isRegularFile = S_ISREG(status.st_mode);
    entry.isSymbolicLink = S_ISLNK(status.st_mode);
    if (readsSizes && entry.isRegularFile) {
        entry.size = static_cast<std::int64_t>(status.st_size);
    }
    return true;
}

// The folder path text that entry names are appended to: the root as given, plus one separator.
std::string prefixOf(const std::filesystem::path& root) {
    std::string text = root.native();
    if (!text.empty() && text.back() != '/') {
        text.push_back('/');
    }
    return text;
}

// Reads the records of one open folder, "." and ".." left out, and owns the folder's descriptor.
// On Linux the records come straight from the kernel: a C library directory stream costs three more
// system calls per folder (checks and flags of no use here), some 15% of a walk's time.
class FolderReader {
public:
    // Takes `descriptor` over, even when the folder turns out unreadable.
    explicit FolderReader(int descriptor);
    FolderReader(FolderReader&& other) noexcept;
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    FolderReader& operator=(FolderReader&&) = delete;
    ~FolderReader();

    bool isOpen() const;
    int descriptor() const;
    // False at the end, or when the folder cannot be read further (then `failed()`). The name stays
    // valid until the next call.
    bool next(const char*& name, unsigned char& type);
    bool failed() const { return failed_; }

private:
    bool failed_ = false;
    bool ended_ = false;
#ifdef __linux__
    static constexpr std::size_t bufferSize = 32 * 1024;
    int descriptor_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t filled_ = 0;
    std::size_t position_ = 0;
#else
    DIR* stream_ = nullptr;
#endif
};

#ifdef __linux__

FolderReader::FolderReader(int descriptor)
    : descriptor_(descriptor)
    , buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {}

FolderReader::FolderReader(FolderReader&& other) noexcept
    : failed_(other.failed_)
    , ended_(other.ended_)
    , descriptor_(std::exchange(other.descriptor_, -1))
    , buffer_(std::move(other.buffer_))
    , filled_(other.filled_)
    , position_(other.position_) {}

FolderReader::~FolderReader() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

bool FolderReader::isOpen() const {
    return descriptor_ >= 0 && buffer_ != nullptr;
}

int FolderReader::descriptor() const {
    return descriptor_;
}

bool FolderReader::next(const char*& name, unsigned char& type) {
    while (!ended_) {
        if (position_ >= filled_) {
            const auto size = getdents64(descriptor_, buffer_.get(), bufferSize);
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

#else

FolderReader::FolderReader(int descriptor)
    : stream_(fdopendir(descriptor)) {
    if (stream_ == nullptr) {
        close(descriptor);
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

#endif

// One open folder of the walk.
struct Frame {
    int descriptor = -1; // owned by `reader` if any; -1 while a deep folder waits for its sub-folder
    Identity identity;
    std::size_t pathLength = 0; // of the folder's path text, separator included

    // A folder near the root is read as the walk goes.
    std::optional<FolderReader> reader;

    // A deep folder is read whole: names separated by NUL characters, with their types.
    std::string names;
    std::vector<std::pair<std::size_t, unsigned char>> records;
    std::size_t nextRecord = 0;
};

class Walk {
public:
    Walk(const DirectoryWalker::Options& options, const DirectoryWalker::Visitor& visitor)
        : options_(options)
        , visitor_(visitor) {}
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;
    ~Walk() {
        while (!frames_.empty()) {
            leaveFolder();
        }
    }

    void run(const std::filesystem::path& root) {
        const int descriptor = open(root.c_str(), folderFlags);
        if (descriptor < 0) {
            return;
        }
        entry_.path = prefixOf(root);
        if (!enterFolder(descriptor)) {
            return;
        }
        while (!frames_.empty()) {
            if (!visitNext()) {
                return;
            }
        }
    }

private:
    // Reads and reports one entry of the innermost folder, or leaves it when it has no more.
    // False when the visitor asked to stop.
    bool visitNext() {
        Frame& folder = frames_.back();
        const char* name = nullptr;
        unsigned char type = DT_UNKNOWN;
        if (folder.reader) {
            if (!folder.reader->next(name, type)) {
                name = nullptr;
            }
        } else if (folder.nextRecord < folder.records.size()) {
            const auto [offset, recordType] = folder.records[folder.nextRecord++];
            name = folder.names.c_str() + offset;
            type = recordType;
        }
        if (name == nullptr) {
            leaveFolder();
            return true;
        }
        if (options_.skipsHiddenEntries && name[0] == '.') {
            return true;
        }

        entry_.path.resize(folder.pathLength);
        entry_.path.append(name);
        entry_.name = std::string_view(entry_.path).substr(folder.pathLength);
        entry_.level = static_cast<int>(frames_.size());
        // The name inside the path text stays valid through the visitor, whatever the folder reads next.
        const char* ownName = entry_.path.c_str() + folder.pathLength;
        if (!classify(entry_, folder.descriptor, ownName, type, options_.readsSizes)) {
            return true;
        }

        const auto step = visitor_(entry_);
        if (step == DirectoryWalker::Step::stop) {
            return false;
        }
        if (step == DirectoryWalker::Step::proceed && entry_.isDirectory &&
            !(options_.skipsPackageContents && DirectoryWalker::isPackageName(entry_.name))) {
            const int descriptor =
                folder.descriptor < 0 ? -1 : openat(folder.descriptor, ownName, folderFlags | O_NOFOLLOW);
            if (descriptor >= 0) {
                entry_.path.push_back('/');
                enterFolder(descriptor);
            }
        }
        return true;
    }

    // Takes ownership of `descriptor` and makes it the innermost folder. False when it cannot be read
    // or is one of its own ancestors (a mount or a folder hard link can lead back up the tree).
    bool enterFolder(int descriptor) {
        const auto identity = identityOf(descriptor);
        bool isLoop = false;
        for (const auto& frame : frames_) {
            isLoop = isLoop || (identity && frame.identity == *identity);
        }
        if (!identity || isLoop) {
            close(descriptor);
            return false;
        }

        Frame frame;
        frame.descriptor = descriptor;
        frame.identity = *identity;
        frame.pathLength = entry_.path.size();
        if (frames_.size() < streamedDepth) {
            frame.reader.emplace(descriptor);
            if (!frame.reader->isOpen()) {
                return false;
            }
        } else {
            if (!readWhole(frame)) {
                close(descriptor);
                return false;
            }
            Frame& parent = frames_.back();
            if (!parent.reader && parent.descriptor >= 0) {
                close(parent.descriptor);
                parent.descriptor = -1;
            }
        }
        frames_.push_back(std::move(frame));
        return true;
    }

    // Reads every entry of a deep folder; its descriptor stays open for reading metadata and opening
    // sub-folders later.
    static bool readWhole(Frame& frame) {
        const int copy = fcntl(frame.descriptor, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) {
            return false;
        }
        FolderReader reader(copy);
        if (!reader.isOpen()) {
            return false;
        }
        const char* name = nullptr;
        unsigned char type = DT_UNKNOWN;
        while (reader.next(name, type)) {
            frame.records.emplace_back(frame.names.size(), type);
            frame.names.append(name);
            frame.names.push_back('\0');
        }
        return true;
    }

    void leaveFolder() {
        Frame& frame = frames_.back();
        if (!frame.reader) {
            if (frames_.size() >= 2) {
                reopenParent(frame, frames_[frames_.size() - 2]);
            }
            if (frame.descriptor >= 0) {
                close(frame.descriptor);
            }
        }
        frames_.pop_back();
    }

    // A deep folder gave up its descriptor while its sub-folder was walked: get it back through the
    // sub-folder's "..", provided that still leads to the same folder. Done even when the parent has
    // nothing left to enter, since its own parent is reopened the same way after it.
    static void reopenParent(const Frame& child, Frame& parent) {
        if (parent.descriptor >= 0 || child.descriptor < 0) {
            return;
        }
        const int descriptor = openat(child.descriptor, "..", folderFlags);
        if (descriptor < 0) {
            return;
        }
        if (identityOf(descriptor) == parent.identity) {
            parent.descriptor = descriptor;
        } else {
            close(descriptor);
        }
    }

    const DirectoryWalker::Options& options_;
    const DirectoryWalker::Visitor& visitor_;
    DirectoryEntry entry_;
    std::vector<Frame> frames_;
};

} // namespace

void DirectoryWalker::walk(const std::filesystem::path& root, const Options& options,
                           const Visitor& visitor) {
    Walk(options, visitor).run(root);
}

std::optional<std::vector<DirectoryEntry>> DirectoryWalker::children(const std::filesystem::path& folder,
                                                                     bool readsSizes) {
    const int descriptor = open(folder.c_str(), folderFlags);
    if (descriptor < 0) {
        return std::nullopt;
    }
    FolderReader reader(descriptor);
    if (!reader.isOpen()) {
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    const std::string prefix = prefixOf(folder);
    DirectoryEntry entry;
    const char* name = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (reader.next(name, type)) {
        entry.path = prefix + name;
        entry.name = std::string_view(entry.path).substr(prefix.size());
        if (classify(entry, reader.descriptor(), name, type, readsSizes)) {
            entries.push_back(entry);
        }
    }
    if (reader.failed()) {
        return std::nullopt;
    }
    return entries;
}

bool DirectoryWalker::isPackageName(std::string_view name) {
    static constexpr std::array<std::string_view, 17> extensions = {
        "app",       "bundle",      "framework",  "plugin",        "kext",        "appex",
        "xpc",       "qlgenerator", "mdimporter", "prefpane",      "saver",       "wdgt",
        "component", "pkg",         "mpkg",       "photoslibrary", "musiclibrary"};
    const auto dot = name.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string_view::npos || dot == 0) {
        return false;
    }
    const auto extension = name.substr(dot + 1);
    for (const auto candidate : extensions) {
        if (candidate.size() == extension.size() &&
            std::equal(candidate.begin(), candidate.end(), extension.begin(), [](char expected, char actual) {
                return expected ==
                       ((actual >= 'A' && actual <= 'Z') ? static_cast<char>(actual - 'A' + 'a') : actual);
            })) {
            return true;
        }
    }
    return false;
}

} // namespace tarnwick
