#include "formats/StringsFile.h"

#include "formats/PropertyList.h"
#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"

#include <string>

namespace tarnwick::StringsFile {
namespace {

// The text as UTF-8, whatever the encoding: a byte-order mark decides, else UTF-16 is recognised by the
// zero byte that ASCII characters carry, else it is UTF-8.
std::string decodeText(std::string_view bytes) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        return Text::fromUtf16Bytes(bytes.substr(2), Text::Utf16Order::littleEndian);
    }
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        return Text::fromUtf16Bytes(bytes.substr(2), Text::Utf16Order::bigEndian);
    }
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        return Text::validUtf8(bytes.substr(3));
    }
    if (bytes.size() >= 2 && byte(0) != 0 && byte(1) == 0) {
        return Text::fromUtf16Bytes(bytes, Text::Utf16Order::littleEndian);
    }
    if (bytes.size() >= 2 && byte(0) == 0 && byte(1) != 0) {
        return Text::fromUtf16Bytes(bytes, Text::Utf16Order::bigEndian);
    }
    return Text::validUtf8(bytes);
}

bool isUnquotedCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
}

// The old text format: `"key" = "value";` entries (or `"key";`, whose value is the key), optionally
// inside braces. Like the Mac's reader it accepts the whole file or nothing.
class TextParser {
public:
    explicit TextParser(std::string_view text)
        : text_(text) {}

    std::optional<PlistValue::Dictionary> parse() {
        if (!skipSpace()) {
            return std::nullopt;
        }
        const bool braced = position_ < text_.size() && text_[position_] == '{';
        if (braced) {
            ++position_;
        }
        PlistValue::Dictionary table;
        for (;;) {
            if (!skipSpace()) {
                return std::nullopt;
            }
            if (position_ == text_.size()) {
                return braced ? std::nullopt : std::optional(std::move(table));
            }
            if (braced && text_[position_] == '}') {
                ++position_;
                return skipSpace() && position_ == text_.size() ? std::optional(std::move(table))
                                                                : std::nullopt;
            }
            auto key = readString();
            if (!key || !skipSpace() || position_ == text_.size()) {
                return std::nullopt;
            }
            std::string value;
            if (text_[position_] == ';') {
                value = *key;
            } else {
                if (text_[position_] != '=') {
                    return std::nullopt;
                }
                ++position_;
                auto read = skipSpace() ? readString() : std::nullopt;
                if (!read || !skipSpace() || position_ == text_.size() || text_[position_] != ';') {
                    return std::nullopt;
                }
                value = std::move(*read);
            }
            ++position_;
            table.insert_or_assign(std::move(*key), PlistValue(std::move(value)));
        }
    }

private:
    bool startsWithAt(std::string_view marker) const {
        return text_.compare(position_, marker.size(), marker) == 0;
    }

    static bool isLineEnd(std::string_view rest) {
        return rest[0] == '\n' || rest[0] == '\r' || rest.substr(0, 3) == "\u2028" ||
               rest.substr(0, 3) == "\u2029";
    }

    // Skips white space and comments; false for a comment that never ends.
    bool skipSpace() {
        while (position_ < text_.size()) {
            const char c = text_[position_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++position_;
            } else if (startsWithAt("\u2028") || startsWithAt("\u2029") || startsWithAt("\uFEFF")) {
                position_ += 3; // line and paragraph separators, and a stray byte-order mark
            } else if (startsWithAt("/*")) {
                const std::size_t end = text_.find("*/", position_ + 2);
                if (end == std::string_view::npos) {
                    return false;
                }
                position_ = end + 2;
            } else if (startsWithAt("//")) {
                while (position_ < text_.size() && !isLineEnd(text_.substr(position_))) {
                    ++position_;
                }
            } else {
                break;
            }
        }
        return true;
    }

    std::optional<std::string> readString() {
        if (position_ >= text_.size()) {
            return std::nullopt;
        }
        const char first = text_[position_];
        if (first == '"' || first == '\'') {
            ++position_;
            return readQuoted(first);
        }
        const std::size_t start = position_;
        while (position_ < text_.size() && isUnquotedCharacter(text_[position_])) {
            ++position_;
        }
        if (position_ == start) {
            return std::nullopt;
        }
        return std::string(text_.substr(start, position_ - start));
    }

    // Escapes "\\U" give UTF-16 units, and a pair of them one character: units wait in `units` until
    // anything else comes.
    std::optional<std::string> readQuoted(char quote) {
        std::string out;
        std::u16string units;
        const auto flush = [&] {
            out += Text::fromUtf16(units);
            units.clear();
        };
        while (position_ < text_.size()) {
            const char c = text_[position_++];
            if (c == quote) {
                flush();
                return out;
            }
            if (c != '\\') {
                flush();
                out += c;
                continue;
            }
            if (position_ == text_.size()) {
                return std::nullopt;
            }
            const char escaped = text_[position_++];
            if (escaped == 'U' || escaped == 'u') {
                char16_t unit = 0;
                int digits = 0;
                for (; digits < 4 && position_ < text_.size(); ++digits, ++position_) {
                    const int value = Text::hexDigitValue(text_[position_]);
                    if (value < 0) {
                        break;
                    }
                    unit = static_cast<char16_t>(unit << 4 | value);
                }
                if (digits == 0) {
                    flush();
                    out += escaped;
                } else {
                    units.push_back(unit);
                }
                continue;
            }
            if (escaped >= '0' && escaped <= '7') {
                // Up to three octal digits: at most 0777, one unit that is never a surrogate.
                auto value = static_cast<char16_t>(escaped - '0');
                for (int digits = 1; digits < 3 && position_ < text_.size() && text_[position_] >= '0' &&
                                     text_[position_] <= '7';
                     ++digits, ++position_) {
                    value = static_cast<char16_t>(value << 3 | (text_[position_] - '0'));
                }
                units.push_back(value);
                continue;
            }
            flush();
            switch (escaped) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            default:
                out += escaped;
                break; // \" \' \\ and any other character stand for themselves
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

std::optional<PlistValue::Dictionary> stringsOf(const std::optional<PlistValue>& value) {
    const auto* dictionary = value ? value->asDictionary() : nullptr;
    if (dictionary == nullptr) {
        return std::nullopt;
    }
    PlistValue::Dictionary table;
    for (const auto& [key, item] : *dictionary) {
        if (item.asString() != nullptr) {
            table.emplace(key, item);
        }
    }
    return table;
}

} // namespace

std::optional<PlistValue::Dictionary> parse(std::string_view bytes) {
    if (bytes.substr(0, 6) == "bplist") {
        return stringsOf(PropertyList::parse(bytes));
    }
    const std::string text = decodeText(bytes);
    const std::size_t first = text.find_first_not_of(" \t\r\n", text.starts_with("\xEF\xBB\xBF") ? 3 : 0);
    if (first != std::string::npos && text[first] == '<') {
        return stringsOf(PropertyList::parse(text));
    }
    return TextParser(text).parse();
}

std::optional<PlistValue::Dictionary> read(const std::filesystem::path& file) {
    try {
        const auto bytes = FileOperations::readFile(file, PropertyList::largestFile);
        return bytes ? parse(*bytes) : std::nullopt;
    } catch (const PlatformError&) {
        return std::nullopt;
    }
}

} // namespace tarnwick::StringsFile
