#include "removal/Uuid.h"

#include "platform/Hashing.h"
#include "platform/Text.h"

#include <random>

namespace tarnwick {

namespace {

// The byte positions after which the text form has a hyphen.
bool hyphenFollows(std::size_t index) {
    return index == 3 || index == 5 || index == 7 || index == 9;
}

} // namespace

Uuid Uuid::random() {
    std::random_device source;
    Uuid uuid;
    for (std::size_t index = 0; index < uuid.bytes.size(); index += 4) {
        const std::uint32_t word = source();
        for (std::size_t offset = 0; offset < 4; ++offset) {
            uuid.bytes[index + offset] = static_cast<std::uint8_t>(word >> (8 * offset));
        }
    }
    uuid.bytes[6] = static_cast<std::uint8_t>((uuid.bytes[6] & 0x0F) | 0x40); // version 4
    uuid.bytes[8] = static_cast<std::uint8_t>((uuid.bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return uuid;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    Uuid uuid;
    std::size_t position = 0;
    for (std::size_t index = 0; index < uuid.bytes.size(); ++index) {
        const int high = Text::hexDigitValue(text[position]);
        const int low = Text::hexDigitValue(text[position + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        uuid.bytes[index] = static_cast<std::uint8_t>(high * 16 + low);
        position += 2;
        if (hyphenFollows(index)) {
            if (text[position] != '-') {
                return std::nullopt;
            }
            ++position;
        }
    }
    return uuid;
}

std::string Uuid::string() const {
    std::string text;
    text.reserve(36);
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        text += Text::hexDigit(bytes[index] >> 4);
        text += Text::hexDigit(bytes[index]);
        if (hyphenFollows(index)) {
            text += '-';
        }
    }
    return text;
}

} // namespace tarnwick

std::size_t std::hash<tarnwick::Uuid>::operator()(const tarnwick::Uuid& uuid) const noexcept {
    std::size_t seed = 0;
    for (const std::uint8_t byte : uuid.bytes) {
        tarnwick::hashCombine(seed, byte);
    }
    return seed;
}
