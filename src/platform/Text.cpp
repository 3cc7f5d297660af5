#include "platform/Text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace tarnwick::Text {
namespace {

// ICU measures lengths in int32_t; anything longer is cut (never happens with names, must not crash).
template <typename Characters> std::int32_t icuLength(Characters text) {
    return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
}

// Ill-formed sequences become U+FFFD.
icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), icuLength(text)));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

const icu::Normalizer2* normalizer(bool composed) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* result =
        composed ? icu::Normalizer2::getNFCInstance(status) : icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? result : nullptr;
}

icu::UnicodeString normalized(const icu::UnicodeString& text, bool composed) {
    const icu::Normalizer2* form = normalizer(composed);
    if (form == nullptr) {
        return text;
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = form->normalize(text, status);
    return U_SUCCESS(status) ? result : text;
}

// The default locale of a "C" or "POSIX" environment is en_US_POSIX, whose collation orders ASCII by
// code point ("B" before "a"); such an environment has asked for no language, so use the root order.
const char* collationLocaleName(const icu::Locale& locale) {
    return std::strcmp(locale.getVariant(), "POSIX") == 0 ? "" : locale.getName();
}

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using CollatorPointer = std::unique_ptr<UCollator, CollatorCloser>;

CollatorPointer openStandardCollator(const char* localeName) {
    for (const char* name : {localeName, ""}) {
        UErrorCode status = U_ZERO_ERROR;
        CollatorPointer collator(ucol_open(name, &status));
        if (U_FAILURE(status) || collator == nullptr) {
            continue;
        }
        ucol_setAttribute(collator.get(), UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
        if (U_SUCCESS(status)) {
            return collator;
        }
    }
    return nullptr;
}

// Collators are costly to open and may not be shared between threads: one per thread, reopened only
// when the default locale changes.
UCollator* standardCollator() {
    thread_local std::string cachedLocale;
    thread_local CollatorPointer cached;
    const icu::Locale& locale = icu::Locale::getDefault();
    if (cached == nullptr || cachedLocale != locale.getName()) {
        cached = openStandardCollator(collationLocaleName(locale));
        cachedLocale = locale.getName();
    }
    return cached.get();
}

// Turkish and Azerbaijani fold the dotted and dotless i differently from every other language.
std::uint32_t caseFoldingOptions() {
    const std::string_view language = icu::Locale::getDefault().getLanguage();
    return language == "tr" || language == "az" ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
}

// Canonical caseless form (full case folding, so "ß" matches "SS"), recomposed so that a base letter
// never matches the first half of an accented one.
icu::UnicodeString searchForm(std::string_view text, std::uint32_t foldingOptions) {
    icu::UnicodeString folded = normalized(toUnicode(text), false);
    folded.foldCase(foldingOptions);
    return normalized(folded, true);
}

bool isMark(UChar32 c) {
    return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// Most file names are plain ASCII, and the scanners lowercase every name they meet: for those the
// Unicode rules give the ASCII answer, without the conversions.
bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Printable ASCII: one character per byte, none that a terminal acts on.
bool isPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string lowercased(std::string_view text) {
    if (isAscii(text)) {
        std::string result(text);
        std::transform(result.begin(), result.end(), result.begin(), asciiLower);
        return result;
    }
    icu::UnicodeString unicode = toUnicode(text);
    unicode.toLower(icu::Locale::getRoot());
    return toUtf8(unicode);
}

std::string comparableName(std::string_view text) {
    if (isAscii(text)) {
        return lowercased(text);
    }
    return toUtf8(normalized(toUnicode(lowercased(text)), true));
}

std::string normalizedName(std::string_view text) {
    if (isAscii(text)) {
        // Every other ASCII character is punctuation, a symbol, white space or a control character.
        std::string result;
        for (const char c : text) {
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
                result.push_back(asciiLower(c));
            }
        }
        return result;
    }
    const icu::UnicodeString lower = toUnicode(comparableName(text));
    icu::UnicodeString kept;
    for (std::int32_t index = 0; index < lower.length(); index = lower.moveIndex32(index, 1)) {
        const UChar32 c = lower.char32At(index);
        if ((U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0) {
            kept.append(c);
        }
    }
    return toUtf8(kept);
}

std::string titleCased(std::string_view text) {
    icu::UnicodeString unicode = toUnicode(text);
    unicode.toTitle(nullptr, icu::Locale::getRoot());
    return toUtf8(unicode);
}

std::string nfc(std::string_view text) {
    return toUtf8(normalized(toUnicode(text), true));
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (index > 0) {
            text += index + 1 == names.size() ? " and " : ", ";
        }
        text += names[index];
    }
    return text;
}

std::string trimmed(std::string_view text) {
    const icu::UnicodeString unicode = toUnicode(text);
    std::int32_t start = 0;
    std::int32_t end = unicode.length();
    while (start < end && u_isUWhiteSpace(unicode.char32At(start))) {
        start = unicode.moveIndex32(start, 1);
    }
    while (end > start) {
        const std::int32_t previous = unicode.moveIndex32(end, -1);
        if (!u_isUWhiteSpace(unicode.char32At(previous))) {
            break;
        }
        end = previous;
    }
    return toUtf8(icu::UnicodeString(unicode, start, end - start));
}

int localizedStandardCompare(std::string_view left, std::string_view right) {
    UCollator* collator = standardCollator();
    if (collator != nullptr) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result =
            ucol_strcollUTF8(collator, left.data(), icuLength(left), right.data(), icuLength(right), &status);
        if (U_SUCCESS(status)) {
            return static_cast<int>(result);
        }
    }
    // Without ICU data: a stable, if unlocalised, order.
    const std::string leftLower = lowercased(left);
    const std::string rightLower = lowercased(right);
    return leftLower < rightLower ? -1 : (rightLower < leftLower ? 1 : 0);
}

bool localizedCaseInsensitiveContains(std::string_view text, std::string_view search) {
    if (search.empty()) {
        return false;
    }
    const std::uint32_t options = caseFoldingOptions();
    // A filter runs over thousands of paths at each keystroke: ASCII under the default folding is ASCII
    // lowercasing, with no marks to combine.
    if (options == U_FOLD_CASE_DEFAULT && isAscii(text) && isAscii(search)) {
        const auto found = std::search(text.begin(), text.end(), search.begin(), search.end(),
                                       [](char left, char right) { return asciiLower(left) == asciiLower(right); });
        return found != text.end();
    }
    const icu::UnicodeString pattern = searchForm(search, options);
    const icu::UnicodeString haystack = searchForm(text, options);
    if (pattern.isEmpty()) {
        return false;
    }
    for (std::int32_t from = 0;;) {
        const std::int32_t found = haystack.indexOf(pattern, from);
        if (found < 0) {
            return false;
        }
        // A match that leaves a combining mark behind matched only the bare letter of an accented one.
        const std::int32_t after = found + pattern.length();
        if (after >= haystack.length() || !isMark(haystack.char32At(after))) {
            return true;
        }
        from = found + 1;
    }
}

std::size_t characterCount(std::string_view text) {
    // Anything but printable ASCII may combine ("e" + U+0301, "\r\n").
    if (isPrintableAscii(text)) {
        return text.size();
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !characters) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    }
    const icu::UnicodeString unicode = toUnicode(text);
    characters->setText(unicode);
    std::size_t count = 0;
    characters->first();
    while (characters->next() != icu::BreakIterator::DONE) {
        ++count;
    }
    return count;
}

std::string validUtf8(std::string_view bytes) {
    if (isAscii(bytes)) {
        return std::string(bytes);
    }
    return toUtf8(toUnicode(bytes));
}

std::string fromUtf16(std::u16string_view units) {
    return toUtf8(icu::UnicodeString(units.data(), icuLength(units)));
}

std::string fromUtf16Bytes(std::string_view bytes, Utf16Order order) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t index = 0; index + 1 < bytes.size(); index += 2) {
        const auto first = static_cast<unsigned char>(bytes[index]);
        const auto second = static_cast<unsigned char>(bytes[index + 1]);
        units.push_back(static_cast<char16_t>(order == Utf16Order::bigEndian ? (first << 8 | second)
                                                                             : (second << 8 | first)));
    }
    std::string text = fromUtf16(units);
    if (bytes.size() % 2 != 0) {
        text += "\uFFFD";
    }
    return text;
}

std::string printable(std::string_view text) {
    if (isPrintableAscii(text)) {
        return std::string(text);
    }
    const std::string valid = validUtf8(text);
    std::string result;
    result.reserve(valid.size());
    const auto escaped = [&result](std::string_view prefix, UChar32 c, int digits) {
        result += prefix;
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
            result += hexDigit(static_cast<unsigned>(c) >> shift);
        }
    };
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(valid.size(), INT32_MAX));
    for (std::int32_t index = 0; index < length;) {
        const std::int32_t start = index;
        UChar32 c = 0;
        U8_NEXT(valid.data(), index, length, c);
        const std::int8_t category = u_charType(c);
        if (c == '\n') {
            result += "\\n";
        } else if (c == '\r') {
            result += "\\r";
        } else if (c == '\t') {
            result += "\\t";
        } else if (c < 0x80 && category == U_CONTROL_CHAR) {
            escaped("\\x", c, 2);
        } else if (category == U_CONTROL_CHAR || category == U_LINE_SEPARATOR ||
                   category == U_PARAGRAPH_SEPARATOR || u_hasBinaryProperty(c, UCHAR_BIDI_CONTROL)) {
            escaped("\\u", c, 4);
        } else {
            result.append(valid, static_cast<std::size_t>(start), static_cast<std::size_t>(index - start));
        }
    }
    return result;
}

int hexDigitValue(char character) {
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    if (character >= 'A' && character <= 'F') {
        return character - 'A' + 10;
    }
    return -1;
}

char hexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

} // namespace tarnwick::Text
