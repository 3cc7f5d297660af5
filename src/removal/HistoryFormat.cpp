#include "removal/HistoryFormat.h"

#include <cmath>
#include <limits>

namespace tarnwick::HistoryFormat {

namespace {

using nlohmann::json;

// 2001-01-01 00:00:00 UTC in seconds since 1970.
constexpr double referenceDateInUnixSeconds = 978307200.0;

const json* member(const json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> stringMember(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<TrashPair> decodePair(const json& object) {
    if (!object.is_object()) {
        return std::nullopt;
    }
    auto originalPath = stringMember(object, "originalPath");
    auto trashPath = stringMember(object, "trashPath");
    if (!originalPath || !trashPath) {
        return std::nullopt;
    }
    return TrashPair{std::move(*originalPath), std::move(*trashPath)};
}

std::optional<std::int64_t> integerMember(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer()) {
        return value->get<std::int64_t>();
    }
    return std::nullopt;
}

std::optional<RemovalRecord> decodeRecord(const json& object) {
    if (!object.is_object()) {
        return std::nullopt;
    }
    const auto idText = stringMember(object, "id");
    const auto id = idText ? Uuid::parse(*idText) : std::nullopt;
    auto appName = stringMember(object, "appName");
    const json* date = member(object, "date");
    const json* items = member(object, "items");
    const auto bytes = integerMember(object, "bytes");
    if (!id || !appName || date == nullptr || !date->is_number() || items == nullptr || !items->is_array() ||
        !bytes) {
        return std::nullopt;
    }
    const double seconds = date->get<double>();
    if (!std::isfinite(seconds)) {
        return std::nullopt;
    }
    RemovalRecord record{*id, std::move(*appName), dateFromReferenceSeconds(seconds), {}, *bytes};
    record.items.reserve(items->size());
    for (const json& item : *items) {
        auto pair = decodePair(item);
        if (!pair) {
            return std::nullopt;
        }
        record.items.push_back(std::move(*pair));
    }
    return record;
}

// A history nests four levels deep; unknown keys may add some. Far deeper text is no history, and would
// cost the parser a deep recursion to take apart.
constexpr int deepestNesting = 256;

// Whether arrays and objects in the JSON text nest no deeper than `limit`, strings skipped.
bool nestsAtMost(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        if (inString) {
            if (character == '\\') {
                ++index;
            } else if (character == '"') {
                inString = false;
            }
        } else if (character == '"') {
            inString = true;
        } else if (character == '[' || character == '{') {
            if (++depth > limit) {
                return false;
            }
        } else if (character == ']' || character == '}') {
            --depth;
        }
    }
    return true;
}

} // namespace

double secondsSinceReferenceDate(RemovalRecord::Date date) {
    return date.time_since_epoch().count() - referenceDateInUnixSeconds;
}

RemovalRecord::Date dateFromReferenceSeconds(double seconds) {
    return RemovalRecord::Date(std::chrono::duration<double>(seconds + referenceDateInUnixSeconds));
}

nlohmann::ordered_json toJson(const RemovalRecord& record) {
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (const TrashPair& pair : record.items) {
        items.push_back({{"originalPath", pair.originalPath}, {"trashPath", pair.trashPath}});
    }
    return {{"id", record.id.string()},
            {"appName", record.appName},
            {"date", secondsSinceReferenceDate(record.date)},
            {"items", std::move(items)},
            {"bytes", record.bytes}};
}

nlohmann::ordered_json toJson(const std::vector<RemovalRecord>& records) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const RemovalRecord& record : records) {
        array.push_back(toJson(record));
    }
    return array;
}

std::string encode(const std::vector<RemovalRecord>& records) {
    return toJson(records).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<std::vector<RemovalRecord>> decode(std::string_view text) {
    if (!nestsAtMost(text, deepestNesting)) {
        return std::nullopt;
    }
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_array()) {
        return std::nullopt;
    }
    std::vector<RemovalRecord> records;
    records.reserve(document.size());
    for (const json& object : document) {
        auto record = decodeRecord(object);
        if (!record) {
            return std::nullopt;
        }
        records.push_back(std::move(*record));
    }
    return records;
}

} // namespace tarnwick::HistoryFormat
