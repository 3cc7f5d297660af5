#pragma once

#include "platform/Platform.h"
#include "removal/RemovalRecord.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <string_view>
#include <vector>

namespace tarnwick {

// The removal history file. A missing or undecodable file reads as an empty history and a failed write
// leaves the file as it was; only `update` says whether it wrote. Every change is one read–change–write
// under one lock (shared with other processes through the folder), and every write is atomic.
class HistoryFile {
public:
    // A file that cannot be read or decoded is renamed to this before a change writes a new one, so the
    // way back from the Trash it may hold is never lost.
    static constexpr std::string_view keptAsideSuffix = ".unreadable";

    explicit HistoryFile(std::filesystem::path location);

    // "TarnwickCleaner/RemovalHistory.json" in the user's Application Support folder.
    static std::filesystem::path defaultLocation(const Platform& platform);

    const std::filesystem::path& location() const { return location_; }

    // The records in file order, newest first.
    std::vector<RemovalRecord> read() const;

    // Reads the records, lets `change` edit them and writes the result, even when nothing changed.
    // Whether the result was written.
    bool update(const std::function<void(std::vector<RemovalRecord>&)>& change);

    // Deletes the file; the folder stays. A file that could not be read is kept aside instead.
    void remove();

private:
    std::filesystem::path location_;
    mutable std::mutex mutex_;
};

} // namespace tarnwick
