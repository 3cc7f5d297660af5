#include "removal/HistoryFile.h"

#include "platform/FileDescriptor.h"
#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "removal/HistoryFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view folderName = "TarnwickCleaner";
constexpr std::string_view fileName = "RemovalHistory.json";
constexpr int keepAsideAttempts = 100;

// Holds an exclusive lock on the history folder, so that a second process (the command line beside the
// window) cannot interleave its read–change–write with ours. Without the folder there is nothing to
// protect: the write will fail anyway.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder)
        : folder_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (folder_.isOpen()) {
            while (::flock(folder_.get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }

    bool isHeld() const { return folder_.isOpen(); }

private:
    FileDescriptor folder_; // closing it releases the lock
};

struct Contents {
    bool fileWasUnreadable = false;
    std::vector<RemovalRecord> records;
    std::vector<std::string> unreadableRecords;
};

// Thirty records of even very large removals stay far below this; a bigger file is no history of ours.
constexpr std::size_t largestHistory = 64 * 1024 * 1024;

Contents load(const fs::path& location) {
    std::optional<std::string> bytes;
    try {
        bytes = FileOperations::readFile(location, largestHistory);
    } catch (const std::exception&) {
        return {true, {}, {}};
    }
    if (!bytes) {
        return {};
    }
    try {
        if (auto decoded = HistoryFormat::decode(*bytes)) {
            return {false, std::move(decoded->records), std::move(decoded->unreadable)};
        }
    } catch (const std::bad_alloc&) {
    }
    return {true, {}, {}};
}

fs::path keptAsideName(const fs::path& location, int attempt) {
    const std::string base = location.string() + std::string(HistoryFile::keptAsideSuffix);
    return attempt == 1 ? fs::path(base) : fs::path(base + "-" + std::to_string(attempt));
}

// Moves an undecodable file out of the way under a name no other file has.
std::optional<fs::path> keepFileAside(const fs::path& location) {
    for (int attempt = 1; attempt <= keepAsideAttempts; ++attempt) {
        const fs::path destination = keptAsideName(location, attempt);
        try {
            FileOperations::moveWithoutReplacing(location, destination);
            return destination;
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

// Writes the records that could not be read, as a JSON array, into a file of their own.
std::optional<fs::path> keepRecordsAside(const fs::path& location, const std::vector<std::string>& records) {
    std::string text = "[";
    for (std::size_t index = 0; index < records.size(); ++index) {
        text += (index == 0 ? "" : ",") + records[index];
    }
    text += "]";
    for (int attempt = 1; attempt <= keepAsideAttempts; ++attempt) {
        const fs::path destination = keptAsideName(location, attempt);
        try {
            if (FileOperations::createNew(destination, text)) {
                return destination;
            }
        } catch (const PlatformError&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Puts what could not be read out of the way of the next write; false when that failed.
bool keepAside(const fs::path& location, const Contents& contents, HistoryFile::Outcome& outcome) {
    if (contents.fileWasUnreadable) {
        outcome.keptAside = keepFileAside(location);
        outcome.fileWasUnreadable = true;
    } else if (!contents.unreadableRecords.empty()) {
        outcome.keptAside = keepRecordsAside(location, contents.unreadableRecords);
        outcome.recordsKeptAside = contents.unreadableRecords.size();
    } else {
        return true;
    }
    if (!outcome.keptAside) {
        outcome.failure = "what it holds could not be read, and could not be kept aside";
        return false;
    }
    return true;
}

} // namespace

HistoryFile::HistoryFile(fs::path location)
    : location_(std::move(location)) {}

std::vector<RemovalRecord> HistoryFile::read() const {
    return load(location_).records;
}

fs::path HistoryFile::defaultLocation(const Platform& platform) {
    return platform.applicationSupportFolder() / folderName / fileName;
}

HistoryFile::Outcome HistoryFile::update(const Change& change) {
    const std::lock_guard guard(mutex_);
    const FolderLock lock(location_.parent_path());
    if (lock.isHeld()) {
        // Every write happens under the lock, so no other one can be under way now.
        FileOperations::removeAbandonedReplacements(location_);
    }
    Contents contents = load(location_);
    const bool changed = change(contents.records);
    Outcome outcome;
    const bool hasUnreadable = contents.fileWasUnreadable || !contents.unreadableRecords.empty();
    if (!changed && !hasUnreadable) {
        return outcome;
    }
    if (!keepAside(location_, contents, outcome)) {
        return outcome;
    }
    try {
        FileOperations::replaceAtomically(location_, HistoryFormat::encode(contents.records));
        outcome.written = true;
    } catch (const PlatformError& error) {
        outcome.failure = location_.string() + ": " + std::strerror(error.code());
    } catch (const std::exception& error) {
        outcome.failure = location_.string() + ": " + error.what();
    }
    return outcome;
}

HistoryFile::Outcome HistoryFile::rewrite(const std::function<void(std::vector<RemovalRecord>&)>& change) {
    return update([&change](std::vector<RemovalRecord>& records) {
        change(records);
        return true;
    });
}

HistoryFile::Outcome HistoryFile::remove() {
    const std::lock_guard guard(mutex_);
    const FolderLock lock(location_.parent_path());
    Outcome outcome;
    const Contents contents = load(location_);
    if (!keepAside(location_, contents, outcome)) {
        return outcome;
    }
    // A file kept aside whole is gone from its place already.
    if (contents.fileWasUnreadable) {
        outcome.written = true;
        return outcome;
    }
    if (::unlink(location_.c_str()) == 0 || errno == ENOENT) {
        outcome.written = true;
    } else {
        outcome.failure = PlatformError::fromErrno(errno, "delete", location_).message();
    }
    return outcome;
}

std::vector<fs::path> HistoryFile::keptAsideFiles() const {
    std::vector<fs::path> files;
    for (int attempt = 1; attempt <= keepAsideAttempts; ++attempt) {
        if (FileOperations::exists(keptAsideName(location_, attempt))) {
            files.push_back(keptAsideName(location_, attempt));
        }
    }
    return files;
}

} // namespace tarnwick
