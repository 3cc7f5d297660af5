#pragma once

#include "platform/Platform.h"
#include "removal/RemovalRecord.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The removal history file. What cannot be read is never written over: an undecodable file, or single
// records that are not records, are kept aside in a file of their own before the next write, so a way
// back from the Trash they may hold is never lost. Every change is one read–change–write under one lock
// (shared with other processes through the folder), and every write is atomic.
class HistoryFile {
public:
    static constexpr std::string_view keptAsideSuffix = ".unreadable";

    // What one change found and did.
    struct Outcome {
        bool written = false;
        std::string failure; // why the file could not be written, in words for the user
        // Where unreadable content was put aside by this change, if any: the whole file when it could not
        // be read at all, else the records that could not be read.
        std::optional<std::filesystem::path> keptAside;
        bool fileWasUnreadable = false;
        std::size_t recordsKeptAside = 0;
    };

    // Edits the records; returns whether they must be written.
    using Change = std::function<bool(std::vector<RemovalRecord>&)>;

    explicit HistoryFile(std::filesystem::path location);

    // "TarnwickCleaner/RemovalHistory.json" in the user's Application Support folder.
    static std::filesystem::path defaultLocation(const Platform& platform);

    const std::filesystem::path& location() const { return location_; }

    // The readable records in file order, newest first.
    std::vector<RemovalRecord> read() const;

    // Reads the records, lets `change` edit them and writes the result when it asks to, or when
    // unreadable content must be kept aside first.
    Outcome update(const Change& change);

    // Writes the records as they are after `change`, whether it changed anything or not.
    Outcome rewrite(const std::function<void(std::vector<RemovalRecord>&)>& change);

    // Deletes the file; the folder stays. What could not be read was never shown, so it is kept aside.
    Outcome remove();

    // The files holding what earlier changes kept aside.
    std::vector<std::filesystem::path> keptAsideFiles() const;

private:
    std::filesystem::path location_;
    mutable std::mutex mutex_;
};

} // namespace tarnwick
