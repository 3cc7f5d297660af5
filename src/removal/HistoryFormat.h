#pragma once

#include "removal/RemovalRecord.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The JSON form of removal records, as the history file holds them: an array of objects
// {"id", "appName", "date", "items": [{"originalPath", "trashPath"}], "bytes"}, newest first. Identifiers
// are written in upper case and read in any case; dates are seconds since 2001-01-01 00:00:00 UTC.
// Two optional keys carry what older files lack: a record's "state" ("inProgress", "restoring" or
// "restored"; absent when finished) and a pair's "trashItem" ({"device", "inode", "kind", "birth"}: what lies
// at "trashPath"), and a record's "launchJobs" ([{"label", "plist", "domain"}], "domain" "user" or "system";
// absent when none were stopped; a job's "pending": true for a daemon the administrator step may have
// stopped without its answer being heard).
namespace HistoryFormat {

// Seconds since 2001-01-01 00:00:00 UTC, the reference date of the format.
double secondsSinceReferenceDate(RemovalRecord::Date date);
RemovalRecord::Date dateFromReferenceSeconds(double seconds);

// "finished", "inProgress", "restoring" or "restored".
std::string_view stateName(RemovalRecord::State state);
std::optional<RemovalRecord::State> stateNamed(std::string_view name);

nlohmann::ordered_json toJson(const RemovalRecord& record);
nlohmann::ordered_json toJson(const std::vector<RemovalRecord>& records);

// Compact text: no indentation, no line breaks. Text that is not UTF-8 is written with U+FFFD.
std::string encode(const std::vector<RemovalRecord>& records);
std::string encode(const RemovalRecord& record);

// One element of a history's array, `depth` levels deep; nothing when it is no record.
std::optional<RemovalRecord> decodeElement(std::string_view text, int depth);
// The same, for a record whose depth is not known yet.
std::optional<RemovalRecord> decodeElement(std::string_view text);

// What a history file holds: its readable records, and the elements that are no record (a key missing,
// a value of the wrong type, nesting too deep), as they were written, so that they can be kept aside
// rather than lost.
struct Decoded {
    std::vector<RemovalRecord> records;
    std::vector<std::string> unreadable;

    friend bool operator==(const Decoded&, const Decoded&) = default;
};

// Nothing when the text is not a JSON array at all. Keys beyond those of the format are ignored.
std::optional<Decoded> decode(std::string_view text);

} // namespace HistoryFormat
} // namespace tarnwick
