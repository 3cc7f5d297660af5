#include "formats/DerEntitlements.h"

#include "platform/Text.h"

#include <cstdint>
#include <utility>

namespace tarnwick::DerEntitlements {
namespace {

constexpr std::uint8_t booleanTag = 0x01;
constexpr std::uint8_t integerTag = 0x02;
constexpr std::uint8_t utf8StringTag = 0x0c;
constexpr std::uint8_t sequenceTag = 0x30;
constexpr std::uint8_t application16Tag = 0x70;
constexpr std::uint8_t context16Tag = 0xb0;

// Nesting is bounded because decoding recurses; the element count because each element costs memory
// well beyond its two bytes of input.
constexpr int maximumDepth = 64;
constexpr std::size_t maximumElements = 65536;

struct Element {
    std::uint8_t tag = 0;
    std::string_view contents;
};

class Decoder {
public:
    std::optional<PlistValue::Dictionary> decode(std::string_view bytes) {
        const auto outer = next(bytes);
        if (!outer || outer->tag != application16Tag || !bytes.empty()) {
            return std::nullopt;
        }
        std::string_view inner = outer->contents;
        const auto version = next(inner);
        if (!version || version->tag != integerTag || version->contents != "\x01") {
            return std::nullopt;
        }
        const auto entitlements = next(inner);
        if (!entitlements || entitlements->tag != context16Tag || !inner.empty()) {
            return std::nullopt;
        }
        return dictionary(entitlements->contents, 1);
    }

private:
    // Takes the first element off `bytes`.
    std::optional<Element> next(std::string_view& bytes) {
        if (bytes.size() < 2 || ++elements_ > maximumElements) {
            return std::nullopt;
        }
        const auto tag = static_cast<std::uint8_t>(bytes[0]);
        const auto first = static_cast<std::uint8_t>(bytes[1]);
        if ((tag & 0x1f) == 0x1f) { // tag numbers above 30 take more bytes: none of ours
            return std::nullopt;
        }
        std::size_t header = 2;
        std::uint64_t length = first;
        if (first >= 0x80) {
            // Long form: 1 to 8 length bytes, minimal. 0x80 (indefinite) and 0xff (reserved) fail here.
            const std::size_t width = first & 0x7f;
            if (width == 0 || width > 8 || bytes.size() - header < width || bytes[header] == '\0') {
                return std::nullopt;
            }
            length = 0;
            for (std::size_t i = 0; i < width; ++i) {
                length = (length << 8) | static_cast<std::uint8_t>(bytes[header + i]);
            }
            header += width;
            if (length < 0x80) {
                return std::nullopt;
            }
        }
        if (length > bytes.size() - header) {
            return std::nullopt;
        }
        Element element{tag, bytes.substr(header, static_cast<std::size_t>(length))};
        bytes.remove_prefix(header + static_cast<std::size_t>(length));
        return element;
    }

    // Nothing both for a value left out and for a failure; `failed_` tells them apart.
    std::optional<PlistValue> value(const Element& element, int depth) {
        switch (element.tag) {
        case booleanTag:
            if (element.contents.size() != 1) {
                failed_ = true;
                return std::nullopt;
            }
            return PlistValue(element.contents[0] != '\0');
        case integerTag:
            return integer(element.contents);
        case utf8StringTag:
            return PlistValue(Text::validUtf8(element.contents));
        case sequenceTag:
            if (auto items = array(element.contents, depth + 1)) {
                return PlistValue(std::move(*items));
            }
            return std::nullopt;
        case context16Tag:
            if (auto entries = dictionary(element.contents, depth + 1)) {
                return PlistValue(std::move(*entries));
            }
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }

    std::optional<PlistValue> integer(std::string_view contents) {
        if (contents.empty()) {
            failed_ = true;
            return std::nullopt;
        }
        if (contents.size() > 8) {
            return std::nullopt;
        }
        // Two's complement, big-endian: start from the sign and shift the bytes in.
        std::uint64_t bits = (static_cast<std::uint8_t>(contents[0]) & 0x80) != 0 ? ~std::uint64_t{0} : 0;
        for (const char byte : contents) {
            bits = (bits << 8) | static_cast<std::uint8_t>(byte);
        }
        return PlistValue(static_cast<std::int64_t>(bits));
    }

    std::optional<PlistValue::Array> array(std::string_view contents, int depth) {
        if (depth > maximumDepth) {
            failed_ = true;
            return std::nullopt;
        }
        PlistValue::Array items;
        while (!contents.empty()) {
            const auto element = next(contents);
            if (!element) {
                failed_ = true;
                return std::nullopt;
            }
            auto item = value(*element, depth);
            if (failed_) {
                return std::nullopt;
            }
            if (item) {
                items.push_back(std::move(*item));
            }
        }
        return items;
    }

    std::optional<PlistValue::Dictionary> dictionary(std::string_view contents, int depth) {
        if (depth > maximumDepth) {
            failed_ = true;
            return std::nullopt;
        }
        PlistValue::Dictionary entries;
        while (!contents.empty()) {
            const auto pair = next(contents);
            if (!pair || pair->tag != sequenceTag) {
                failed_ = true;
                return std::nullopt;
            }
            std::string_view rest = pair->contents;
            const auto key = next(rest);
            const auto element = key ? next(rest) : std::nullopt;
            if (!element || key->tag != utf8StringTag || !rest.empty()) {
                failed_ = true;
                return std::nullopt;
            }
            auto item = value(*element, depth);
            if (failed_) {
                return std::nullopt;
            }
            if (item) {
                entries.emplace(Text::validUtf8(key->contents), std::move(*item));
            }
        }
        return entries;
    }

    std::size_t elements_ = 0;
    bool failed_ = false;
};

} // namespace

std::optional<PlistValue::Dictionary> decode(std::string_view bytes) {
    return Decoder().decode(bytes);
}

} // namespace tarnwick::DerEntitlements
