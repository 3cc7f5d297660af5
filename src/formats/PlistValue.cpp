#include "formats/PlistValue.h"

namespace tarnwick {
namespace {

void appendReplacementCharacter(std::string& out) {
    out += "\xEF\xBF\xBD";
}

} // namespace

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

std::string validUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t smallest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, codePoint = lead & 0x1F, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, codePoint = lead & 0x0F, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, codePoint = lead & 0x07, smallest = 0x10000;
        }
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        valid = valid && codePoint >= smallest && codePoint <= 0x10FFFF &&
                !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
        if (valid) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            appendReplacementCharacter(out);
            ++i;
        }
    }
    return out;
}

} // namespace tarnwick
