// Any bytes into the property-list reader. Whatever it accepts must come back equal after being written
// in either format and read again, as far as the formats carry it.
#include "FuzzCheck.h"
#include "formats/PropertyList.h"

#include <cmath>
#include <cstdint>

namespace {

using tarnwick::PlistValue;

// libplist takes strings as C strings, so text after a NUL cannot be written back.
bool holdsNul(const PlistValue& value) {
    if (const auto* text = value.asString()) {
        return text->find('\0') != std::string::npos;
    }
    if (const auto* array = value.asArray()) {
        for (const auto& item : *array) {
            if (holdsNul(item)) {
                return true;
            }
        }
    }
    if (const auto* dictionary = value.asDictionary()) {
        for (const auto& [key, item] : *dictionary) {
            if (key.find('\0') != std::string::npos || holdsNul(item)) {
                return true;
            }
        }
    }
    return false;
}

// Equal, with NaN equal to itself and dates within `dateTolerance` seconds (XML keeps whole seconds).
bool same(const PlistValue& left, const PlistValue& right, double dateTolerance) {
    if (left.storage().index() != right.storage().index()) {
        return false;
    }
    if (const auto* real = left.asReal()) {
        return (std::isnan(*real) && std::isnan(*right.asReal())) || *real == *right.asReal();
    }
    if (const auto* date = left.asDate()) {
        const double a = date->secondsSinceReferenceDate;
        const double b = right.asDate()->secondsSinceReferenceDate;
        return std::fabs(a - b) <= dateTolerance || (std::fabs(a) > 2e9 && std::fabs(b) > 2e9);
    }
    if (const auto* array = left.asArray()) {
        const auto& other = *right.asArray();
        if (array->size() != other.size()) {
            return false;
        }
        for (std::size_t i = 0; i < array->size(); ++i) {
            if (!same((*array)[i], other[i], dateTolerance)) {
                return false;
            }
        }
        return true;
    }
    if (const auto* dictionary = left.asDictionary()) {
        const auto& other = *right.asDictionary();
        if (dictionary->size() != other.size()) {
            return false;
        }
        for (auto a = dictionary->begin(), b = other.begin(); a != dictionary->end(); ++a, ++b) {
            if (a->first != b->first || !same(a->second, b->second, dateTolerance)) {
                return false;
            }
        }
        return true;
    }
    return left == right;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    const auto value = PropertyList::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value) {
        return 0;
    }
    const auto fromBinary = PropertyList::parse(PropertyList::toBinary(*value));
    const auto fromXml = PropertyList::parse(PropertyList::toXml(*value));
    check(fromBinary.has_value(), "binary form not readable");
    check(fromXml.has_value(), "XML form not readable");
    if (!holdsNul(*value)) {
        check(same(*value, *fromBinary, 1e-5), "binary form differs");
        check(same(*value, *fromXml, 1.0), "XML form differs");
    }
    return 0;
}
