#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnwick {

// One property-list value, owned: bool, integer, real, string, date, data, array or dictionary.
class PlistValue {
public:
    struct Date {
        double secondsSinceReferenceDate = 0; // seconds since 2001-01-01 00:00:00 UTC
        bool operator==(const Date&) const = default;
    };
    using Data = std::vector<std::uint8_t>;
    using Array = std::vector<PlistValue>;
    using Dictionary = std::map<std::string, PlistValue, std::less<>>;
    using Storage = std::variant<bool, std::int64_t, double, std::string, Date, Data, Array, Dictionary>;

    PlistValue()
        : storage_(std::string()) {}
    PlistValue(bool value)
        : storage_(value) {}
    PlistValue(std::int64_t value)
        : storage_(value) {}
    PlistValue(int value)
        : storage_(std::int64_t{value}) {}
    PlistValue(double value)
        : storage_(value) {}
    PlistValue(std::string value)
        : storage_(std::move(value)) {}
    PlistValue(const char* value)
        : storage_(std::string(value)) {}
    PlistValue(Date value)
        : storage_(value) {}
    PlistValue(Data value)
        : storage_(std::move(value)) {}
    PlistValue(Array value)
        : storage_(std::move(value)) {}
    PlistValue(Dictionary value)
        : storage_(std::move(value)) {}

    const Storage& storage() const { return storage_; }

    // Typed access: null when the value holds another type.
    const bool* asBool() const { return std::get_if<bool>(&storage_); }
    const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&storage_); }
    const double* asReal() const { return std::get_if<double>(&storage_); }
    const std::string* asString() const { return std::get_if<std::string>(&storage_); }
    const Date* asDate() const { return std::get_if<Date>(&storage_); }
    const Data* asData() const { return std::get_if<Data>(&storage_); }
    const Array* asArray() const { return std::get_if<Array>(&storage_); }
    const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&storage_); }

    bool operator==(const PlistValue&) const = default;

private:
    Storage storage_;
};

// The value of `key` in `dictionary` when it is present and a string.
std::optional<std::string> stringValue(const PlistValue::Dictionary& dictionary, std::string_view key);

} // namespace tarnwick
