#include "removal/HistoryFormat.h"

#include "removal/HistoryScanner.h"
#include "removal/ItemIdentityJson.h"

#include <algorithm>
#include <array>
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

constexpr std::array<std::pair<RemovalRecord::State, std::string_view>, 4> stateNames{{
    {RemovalRecord::State::finished, "finished"},
    {RemovalRecord::State::inProgress, "inProgress"},
    {RemovalRecord::State::restored, "restored"},
    {RemovalRecord::State::restoring, "restoring"},
}};

template <typename Value, std::size_t count>
std::string_view nameOf(const std::array<std::pair<Value, std::string_view>, count>& names, Value value) {
    for (const auto& [candidate, name] : names) {
        if (candidate == value) {
            return name;
        }
    }
    return {};
}

template <typename Value, std::size_t count>
std::optional<Value> valueNamed(const std::array<std::pair<Value, std::string_view>, count>& names,
                                std::string_view name) {
    for (const auto& [value, candidate] : names) {
        if (candidate == name) {
            return value;
        }
    }
    return std::nullopt;
}

// Absent is fine; present, it must be whole.
std::optional<std::optional<ItemIdentity>> decodeIdentity(const json& pair) {
    const json* value = member(pair, "trashItem");
    if (value == nullptr) {
        return std::optional<ItemIdentity>();
    }
    const auto identity = ItemIdentityJson::fromJson(*value);
    if (!identity) {
        return std::nullopt;
    }
    return std::optional<ItemIdentity>(*identity);
}

std::optional<TrashPair> decodePair(const json& object) {
    if (!object.is_object()) {
        return std::nullopt;
    }
    auto originalPath = stringMember(object, "originalPath");
    auto trashPath = stringMember(object, "trashPath");
    const auto identity = decodeIdentity(object);
    if (!originalPath || !trashPath || !identity) {
        return std::nullopt;
    }
    return TrashPair{std::move(*originalPath), std::move(*trashPath), *identity};
}

constexpr std::array<std::pair<LaunchJob::Domain, std::string_view>, 2> domainNames{{
    {LaunchJob::Domain::user, "user"},
    {LaunchJob::Domain::system, "system"},
}};

// Absent is fine; present, every job must be whole.
std::optional<std::vector<LaunchJob>> decodeLaunchJobs(const json& object) {
    const json* value = member(object, "launchJobs");
    if (value == nullptr) {
        return std::vector<LaunchJob>();
    }
    if (!value->is_array()) {
        return std::nullopt;
    }
    std::vector<LaunchJob> jobs;
    for (const json& job : *value) {
        if (!job.is_object()) {
            return std::nullopt;
        }
        auto label = stringMember(job, "label");
        auto plist = stringMember(job, "plist");
        const auto domainName = stringMember(job, "domain");
        const auto domain = domainName ? valueNamed(domainNames, *domainName) : std::nullopt;
        const json* pending = member(job, "pending");
        if (!label || !plist || !domain || (pending != nullptr && !pending->is_boolean())) {
            return std::nullopt;
        }
        jobs.push_back(
            {std::move(*label), std::move(*plist), *domain, pending != nullptr && pending->get<bool>()});
    }
    return jobs;
}

std::optional<RemovalRecord::State> decodeState(const json& object) {
    const json* value = member(object, "state");
    if (value == nullptr) {
        return RemovalRecord::State::finished;
    }
    return value->is_string() ? valueNamed(stateNames, value->get<std::string>()) : std::nullopt;
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
    const auto state = decodeState(object);
    auto launchJobs = decodeLaunchJobs(object);
    if (!id || !appName || date == nullptr || !date->is_number() || items == nullptr || !items->is_array() ||
        !bytes || !state || !launchJobs) {
        return std::nullopt;
    }
    const double seconds = date->get<double>();
    if (!std::isfinite(seconds)) {
        return std::nullopt;
    }
    RemovalRecord record{*id,    std::move(*appName),   dateFromReferenceSeconds(seconds), {}, *bytes,
                         *state, std::move(*launchJobs)};
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

// A history nests four levels deep; unknown keys may add some. Far deeper text is no record, and would
// cost a deep recursion to write out again.
constexpr int deepestNesting = 256;

} // namespace

double secondsSinceReferenceDate(RemovalRecord::Date date) {
    return date.time_since_epoch().count() - referenceDateInUnixSeconds;
}

RemovalRecord::Date dateFromReferenceSeconds(double seconds) {
    return RemovalRecord::Date(std::chrono::duration<double>(seconds + referenceDateInUnixSeconds));
}

std::string_view stateName(RemovalRecord::State state) {
    return nameOf(stateNames, state);
}

std::optional<RemovalRecord::State> stateNamed(std::string_view name) {
    return valueNamed(stateNames, name);
}

nlohmann::ordered_json toJson(const RemovalRecord& record) {
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (const TrashPair& pair : record.items) {
        nlohmann::ordered_json item{{"originalPath", pair.originalPath}, {"trashPath", pair.trashPath}};
        if (const auto& identity = pair.trashItem) {
            item["trashItem"] = ItemIdentityJson::toJson(*identity);
        }
        items.push_back(std::move(item));
    }
    nlohmann::ordered_json object{{"id", record.id.string()},
                                  {"appName", record.appName},
                                  {"date", secondsSinceReferenceDate(record.date)},
                                  {"items", std::move(items)},
                                  {"bytes", record.bytes}};
    if (record.state != RemovalRecord::State::finished) {
        object["state"] = nameOf(stateNames, record.state);
    }
    if (!record.launchJobs.empty()) {
        nlohmann::ordered_json jobs = nlohmann::ordered_json::array();
        for (const LaunchJob& job : record.launchJobs) {
            jobs.push_back(
                {{"label", job.label}, {"plist", job.plist}, {"domain", nameOf(domainNames, job.domain)}});
            if (job.pending) {
                jobs.back()["pending"] = true;
            }
        }
        object["launchJobs"] = std::move(jobs);
    }
    return object;
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

std::string encode(const RemovalRecord& record) {
    return toJson(record).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<RemovalRecord> decodeElement(std::string_view text, int depth) {
    if (depth > deepestNesting) {
        return std::nullopt;
    }
    const json object = json::parse(text, nullptr, false);
    return object.is_discarded() ? std::nullopt : decodeRecord(object);
}

std::optional<RemovalRecord> decodeElement(std::string_view text) {
    return decodeElement(text, HistoryScanner::depthOf(text));
}

std::optional<Decoded> decode(std::string_view text) {
    Decoded decoded;
    // Each element on its own: one that is no record, even one nested too deep to take apart, is kept
    // aside as it was written and takes nothing else with it.
    HistoryScanner scanner(text.size(), [&decoded](const HistoryScanner::Element& element) {
        if (auto record = decodeElement(element.text, element.depth)) {
            decoded.records.push_back(std::move(*record));
        } else {
            decoded.unreadable.emplace_back(element.text);
        }
    });
    scanner.feed(text);
    if (!scanner.finish()) {
        return std::nullopt;
    }
    return decoded;
}

} // namespace tarnwick::HistoryFormat
