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
namespace HistoryFormat {

// Seconds since 2001-01-01 00:00:00 UTC, the reference date of the format.
double secondsSinceReferenceDate(RemovalRecord::Date date);
RemovalRecord::Date dateFromReferenceSeconds(double seconds);

nlohmann::ordered_json toJson(const RemovalRecord& record);
nlohmann::ordered_json toJson(const std::vector<RemovalRecord>& records);

// Compact text: no indentation, no line breaks. Text that is not UTF-8 is written with U+FFFD.
std::string encode(const std::vector<RemovalRecord>& records);

// The records of a whole file; nothing when the text is not such an array or any record or pair lacks a
// key or holds a value of the wrong type. Keys beyond those of the format are ignored.
std::optional<std::vector<RemovalRecord>> decode(std::string_view text);

} // namespace HistoryFormat
} // namespace tarnwick
