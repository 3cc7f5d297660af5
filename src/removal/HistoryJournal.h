#pragma once

#include "removal/RemovalRecord.h"
#include "removal/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// The steps taken on the history since it was last folded into its file, one JSON object a line:
//   {"step":"record","id":ID,"state":STATE,"record":RECORD}  the record as it now stands
//   {"step":"state","id":ID,"state":STATE}                   only its state changed
//   {"step":"forget","id":ID}                                it leaves the history
// with RECORD in the history file's format and STATE one of "finished", "inProgress", "restoring" and
// "restored". Each step is one write at the end of the file, on the disk before it counts, so that its
// cost is that of the step and not of the history. A line cut short by a crash, or one that is no step,
// is damaged: it is left out, and kept aside at the next fold.
class HistoryJournal {
public:
    struct Step {
        enum class Kind { record, state, forget };

        Kind kind = Kind::record;
        Uuid id;
        RemovalRecord::State state = RemovalRecord::State::finished;
        RemovalRecord record{}; // for `record` steps

        static Step put(const RemovalRecord& record);
        static Step changeState(const Uuid& id, RemovalRecord::State state);
        static Step forget(const Uuid& id);
    };

    // One line as read: where it lies, and the step it holds without the record, which is read only when
    // it is needed. Nothing for a damaged line.
    struct Line {
        std::uint64_t offset = 0;
        std::uint64_t length = 0; // without its line feed
        std::optional<Step> step;
    };

    explicit HistoryJournal(std::filesystem::path location);

    const std::filesystem::path& location() const { return location_; }

    // The lines as the file holds them now; only what was appended since the last call is read, unless the
    // file was replaced. A last line without its line feed is damaged. Throws a PlatformError.
    const std::vector<Line>& lines();
    bool exists() const;
    std::uint64_t size() const { return size_; }

    // The record of a `record` step's line, or nothing when it is damaged or longer than `largest`.
    std::optional<RemovalRecord> recordOf(const Line& line, std::size_t largest) const;
    // The line's text as written.
    std::string textOf(const Line& line) const;

    // Appends the step, flushed to the disk. Throws a PlatformError.
    void append(const Step& step);
    // Replaces the file in one step with one that holds only `steps`. Throws a PlatformError.
    void replace(const std::vector<Step>& steps);
    // Deletes the file. Throws a PlatformError.
    void remove();

    static std::string lineOf(const Step& step);
    // The step of a line, its record left out; nothing when it is damaged.
    static std::optional<Step> stepOf(std::string_view line);

private:
    void forgetRead();

    std::filesystem::path location_;
    // What was read so far, and of which file.
    std::vector<Line> lines_;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::uint64_t read_ = 0; // bytes read up to the end of the last whole line
    std::uint64_t size_ = 0;
    bool exists_ = false;
};

} // namespace tarnwick
