#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The one home of Unicode-aware text operations (ICU). Input and output are UTF-8; invalid sequences
// are treated as U+FFFD. Locale-aware operations use the locale of the environment.
namespace Text {

// Full Unicode lowercasing ("Straße" stays "straße", "İ" becomes "i̇").
std::string lowercased(std::string_view text);

// A name as names are compared: composed (NFC), as a Mac compares names whatever form they were written
// in ("Cafe\u0301" is "Café"), and fully lowercased. The one form of every comparison of names.
std::string comparableName(std::string_view text);

// The lowercased letters, marks and digits of a text (general categories L, M, N), in order, after
// composition: "Cafe\u0301 Tools" and "Café Tools" give the same.
std::string normalizedName(std::string_view text);

std::string titleCased(std::string_view text);

// Unicode normalisation form C.
std::string nfc(std::string_view text);

// White space and line breaks removed from both ends.
std::string trimmed(std::string_view text);

// Names as a sentence lists them: "A", "A and B", "A, B and C".
std::string listed(const std::vector<std::string>& names);

// The order a Mac file browser uses for names: case-insensitive, digit runs compared by value
// ("App 2" before "app 10"). Negative, zero or positive.
int localizedStandardCompare(std::string_view left, std::string_view right);

// Whether `text` contains `search`, ignoring case, by the rules of the locale. An empty search is
// contained in nothing.
bool localizedCaseInsensitiveContains(std::string_view text, std::string_view search);

// User-perceived characters (grapheme clusters) in UTF-8 text: what a length limit on a name, a column
// width or the depth order of paths counts. "e" with a combining accent is one character.
std::size_t characterCount(std::string_view text);

// `bytes` as UTF-8: well-formed sequences kept, each ill-formed one replaced by U+FFFD (one per maximal
// ill-formed part, as Unicode recommends). Text read from files goes through it before anyone sees it.
std::string validUtf8(std::string_view bytes);

// UTF-16 code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string fromUtf16(std::u16string_view units);

// UTF-16 bytes in the given byte order as UTF-8; ill-formed units, and half a unit at the end, become
// U+FFFD. A byte-order mark at the start is kept as U+FEFF: the caller decides what it means.
enum class Utf16Order { littleEndian, bigEndian };
std::string fromUtf16Bytes(std::string_view bytes, Utf16Order order);

// Text from disk as a terminal may show it: what could move the cursor, clear the screen, retitle the
// window, break the line or reorder what follows is escaped ("\n", "\x1B", "\u0085", "\u202E"): control
// characters (C0, DEL, C1), line and paragraph separators and bidirectional formatting characters.
// Everything else, non-ASCII letters included, is kept; ill-formed UTF-8 becomes U+FFFD.
std::string printable(std::string_view text);

// The value of one hexadecimal digit in either case; -1 for any other character.
int hexDigitValue(char character);

// The upper-case hexadecimal digit for a value from 0 to 15.
char hexDigit(unsigned value);

} // namespace Text
} // namespace tarnwick
