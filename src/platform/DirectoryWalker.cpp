#include "platform/DirectoryWalker.h"

#include "platform/FileDescriptor.h"
#include "platform/FolderReader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
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

// One open folder of the walk.
struct Frame {
    Identity identity;
    std::size_t pathLength = 0; // of the folder's path text, separator included

    // A folder near the root is read as the walk goes; the reader owns its descriptor.
    std::optional<FolderReader> reader;

    // A deep folder is read whole: names separated by NUL characters, with their types. Its descriptor
    // is given up while one of its sub-folders is walked.
    FileDescriptor wholeFolder;
    std::string names;
    std::vector<std::pair<std::size_t, unsigned char>> records;
    std::size_t nextRecord = 0;

    int descriptor() const { return reader ? reader->descriptor() : wholeFolder.get(); }
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
        FileDescriptor folder(open(root.c_str(), folderFlags));
        if (!folder.isOpen()) {
            return;
        }
        entry_.path = prefixOf(root);
        if (!enterFolder(std::move(folder))) {
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
        entry_.nameOffset = folder.pathLength;
        entry_.level = static_cast<int>(frames_.size());
        // The name inside the path text stays valid through the visitor, whatever the folder reads next.
        const char* ownName = entry_.path.c_str() + folder.pathLength;
        if (!classify(entry_, folder.descriptor(), ownName, type, options_.readsSizes)) {
            return true;
        }

        const auto step = visitor_(entry_);
        if (step == DirectoryWalker::Step::stop) {
            return false;
        }
        const bool deepEnough = options_.deepestLevel > 0 && entry_.level >= options_.deepestLevel;
        if (step == DirectoryWalker::Step::proceed && entry_.isDirectory && !deepEnough &&
            !(options_.skipsPackageContents && DirectoryWalker::isPackageName(entry_.name()))) {
            FileDescriptor child(folder.descriptor() < 0
                                     ? -1
                                     : openat(folder.descriptor(), ownName, folderFlags | O_NOFOLLOW));
            if (child.isOpen()) {
                entry_.path.push_back('/');
                enterFolder(std::move(child));
            }
        }
        return true;
    }

    // Makes `folder` the innermost one. False when it cannot be read or is one of its own ancestors (a
    // mount or a folder hard link can lead back up the tree).
    bool enterFolder(FileDescriptor folder) {
        const auto identity = identityOf(folder.get());
        const bool isLoop = identity && std::any_of(frames_.begin(), frames_.end(), [&](const Frame& frame) {
                                return frame.identity == *identity;
                            });
        if (!identity || isLoop) {
            return false;
        }

        Frame frame;
        frame.identity = *identity;
        frame.pathLength = entry_.path.size();
        if (frames_.size() < streamedDepth) {
            frame.reader.emplace(std::move(folder));
            if (!frame.reader->isOpen()) {
                return false;
            }
        } else {
            frame.wholeFolder = std::move(folder);
            if (!readWhole(frame)) {
                return false;
            }
            if (Frame& parent = frames_.back(); !parent.reader) {
                parent.wholeFolder.reset();
            }
        }
        frames_.push_back(std::move(frame));
        return true;
    }

    // Reads every entry of a deep folder; its descriptor stays open for reading metadata and opening
    // sub-folders later.
    static bool readWhole(Frame& frame) {
        FolderReader reader(FileDescriptor(fcntl(frame.wholeFolder.get(), F_DUPFD_CLOEXEC, 0)));
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
        if (Frame& frame = frames_.back(); !frame.reader && frames_.size() >= 2) {
            reopenParent(frame, frames_[frames_.size() - 2]);
        }
        frames_.pop_back();
    }

    // A deep folder gave up its descriptor while its sub-folder was walked: get it back through the
    // sub-folder's "..", provided that still leads to the same folder. Done even when the parent has
    // nothing left to enter, since its own parent is reopened the same way after it.
    static void reopenParent(const Frame& child, Frame& parent) {
        if (parent.reader || parent.wholeFolder.isOpen() || !child.wholeFolder.isOpen()) {
            return;
        }
        FileDescriptor folder(openat(child.wholeFolder.get(), "..", folderFlags));
        if (folder.isOpen() && identityOf(folder.get()) == parent.identity) {
            parent.wholeFolder = std::move(folder);
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
    FolderReader reader(FileDescriptor(open(folder.c_str(), folderFlags)));
    if (!reader.isOpen()) {
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    const std::string prefix = prefixOf(folder);
    DirectoryEntry entry;
    entry.nameOffset = prefix.size();
    const char* name = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (reader.next(name, type)) {
        entry.path = prefix + name;
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
