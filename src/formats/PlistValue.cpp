#include "formats/PlistValue.h"

namespace tarnwick {

std::optional<std::string> stringValue(const PlistValue::Dictionary& dictionary, std::string_view key) {
    auto found = dictionary.find(key);
    if (found == dictionary.end()) {
        return std::nullopt;
    }
    if (const auto* text = found->second.asString()) {
        return *text;
    }
    return std::nullopt;
}

} // namespace tarnwick
