#include "removal/HistoryFile.h"

#include "platform/FileDescriptor.h"
#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "removal/HistoryFormat.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view folderName = "TarnwickCleaner";
constexpr std::string_view fileName = "RemovalHistory.json";

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

enum class FileState { missing, decoded, undecodable };

struct Contents {
    FileState state = FileState::missing;
    std::vector<RemovalRecord> records;
};

// Thirty records of even very large removals stay far below this; a bigger file is no history of ours.
constexpr std::size_t largestHistory = 64 * 1024 * 1024;

Contents load(const fs::path& location) {
    std::optional<std::string> bytes;
    try {
        bytes = FileOperations::readFile(location, largestHistory);
    } catch (const std::exception&) {
        return {FileState::undecodable, {}};
    }
    if (!bytes) {
        return {FileState::missing, {}};
    }
    try {
        if (auto records = HistoryFormat::decode(*bytes)) {
            return {FileState::decoded, std::move(*records)};
        }
    } catch (const std::bad_alloc&) {
    }
    return {FileState::undecodable, {}};
}

// Moves an undecodable file out of the way under a name no other file has.
bool keepAside(const fs::path& location) {
    const std::string base = location.string() + std::string(HistoryFile::keptAsideSuffix);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const fs::path destination =
            attempt == 1 ? fs::path(base) : fs::path(base + "-" + std::to_string(attempt));
        try {
            FileOperations::moveWithoutReplacing(location, destination);
            return true;
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                return false;
            }
        }
    }
    return false;
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

bool HistoryFile::update(const std::function<void(std::vector<RemovalRecord>&)>& change) {
    const std::lock_guard guard(mutex_);
    const FolderLock lock(location_.parent_path());
    if (lock.isHeld()) {
        // Every write happens under the lock, so no other one can be under way now.
        FileOperations::removeAbandonedReplacements(location_);
    }
    Contents contents = load(location_);
    change(contents.records);
    // Writing over a file we could not read would lose the only map back from the Trash it may hold.
    if (contents.state == FileState::undecodable && !keepAside(location_)) {
        return false;
    }
    try {
        FileOperations::replaceAtomically(location_, HistoryFormat::encode(contents.records));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void HistoryFile::remove() {
    const std::lock_guard guard(mutex_);
    const FolderLock lock(location_.parent_path());
    // Clearing forgets what the user saw; a file that could not be read was never shown, so it stays.
    if (load(location_).state == FileState::undecodable) {
        keepAside(location_);
        return;
    }
    ::unlink(location_.c_str());
}

} // namespace tarnwick
