#include "NameText.h"

#include "Text.h"

#include <algorithm>

namespace tarnwick::ResidualScanner {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

std::string lowercasedName(std::string_view text) {
    if (!isAscii(text)) {
        return Text::lowercased(text);
    }
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), asciiLower);
    return result;
}

std::string nameKey(std::string_view text) {
    if (!isAscii(text)) {
        return Text::normalizedName(text);
    }
    // Every other ASCII character is punctuation, a symbol, white space or a control character.
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (isAsciiAlphanumeric(c)) {
            result.push_back(asciiLower(c));
        }
    }
    return result;
}

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string_view matchedName(std::string_view lastComponent, bool isFolder) {
    if (isFolder) {
        return lastComponent;
    }
    const auto dot = lastComponent.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == lastComponent.size()) {
        return lastComponent;
    }
    return lastComponent.substr(0, dot);
}

} // namespace tarnwick::ResidualScanner
