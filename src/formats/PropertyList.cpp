#include "formats/PropertyList.h"

#include "formats/PlistInputCheck.h"
#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwick::PropertyList {
namespace {

#ifdef TARNWICK_PLIST_HAS_UNIX_DATE
// Seconds between 1970-01-01 and 2001-01-01, the reference date of property lists.
constexpr std::int64_t referenceDateFromUnixEpoch = 978'307'200;
#endif

void freeLibraryMemory(void* memory) {
#ifdef TARNWICK_PLIST_HAS_MEM_FREE
    plist_mem_free(memory);
#else
    std::free(memory);
#endif
}

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct LibraryMemoryDeleter {
    void operator()(void* memory) const { freeLibraryMemory(memory); }
};
using LibraryMemory = std::unique_ptr<void, LibraryMemoryDeleter>;

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// XML in UTF-16, as some editors save Info.plist files, as UTF-8: the XML reader takes nothing else. The
// byte-order mark tells the order, or without one the declaration "<?xml" written in UTF-16. Nothing for
// bytes in any other encoding.
std::optional<std::string> utf16XmlAsUtf8(std::string_view bytes) {
    using Text::Utf16Order;
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
        const Utf16Order order = bytes[0] == '\xFF' ? Utf16Order::littleEndian : Utf16Order::bigEndian;
        return Text::fromUtf16Bytes(bytes.substr(2), order);
    }
    constexpr std::string_view declarationLittle("<\0?\0x\0m\0l\0", 10);
    constexpr std::string_view declarationBig("\0<\0?\0x\0m\0l", 10);
    if (startsWith(bytes, declarationLittle)) {
        return Text::fromUtf16Bytes(bytes, Utf16Order::littleEndian);
    }
    if (startsWith(bytes, declarationBig)) {
        return Text::fromUtf16Bytes(bytes, Utf16Order::bigEndian);
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------------
// libplist nodes to owned values.

class Reader {
public:
    // Nothing when the node (or anything in it) cannot be represented, or when it nests too deeply.
    std::optional<PlistValue> read(plist_t node, std::size_t nesting = 0) {
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return PlistValue(value != 0);
        }
        case PLIST_UINT: {
            // Stored as 64 bits whatever the sign; binary files keep negative numbers as two's complement.
            std::uint64_t value = 0;
            plist_get_uint_val(node, &value);
            return PlistValue(static_cast<std::int64_t>(value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return PlistValue(value);
        }
        case PLIST_STRING: {
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            // Binary files may hold bytes that are no UTF-8; libplist cannot read back what it writes of
            // them.
            return PlistValue(text == nullptr ? std::string()
                                              : Text::validUtf8(std::string_view(text, length)));
        }
        case PLIST_DATE:
            return PlistValue(readDate(node));
        case PLIST_DATA: {
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
            return PlistValue(bytes == nullptr ? PlistValue::Data()
                                               : PlistValue::Data(begin, begin + length));
        }
        case PLIST_ARRAY:
        case PLIST_DICT:
            if (nesting >= PlistInputCheck::maximumNesting) {
                failed_ = true;
                return std::nullopt;
            }
            return plist_get_node_type(node) == PLIST_ARRAY ? readArray(node, nesting + 1)
                                                            : readDictionary(node, nesting + 1);
        default:
            // Keyed-archive UIDs and anything newer than this code: no meaning here.
            return std::nullopt;
        }
    }

    bool failed() const { return failed_; }

private:
    static PlistValue::Date readDate(plist_t node) {
#ifdef TARNWICK_PLIST_HAS_UNIX_DATE
        std::int64_t unixSeconds = 0;
        plist_get_unix_date_val(node, &unixSeconds);
        return {static_cast<double>(unixSeconds - referenceDateFromUnixEpoch)};
#else
        // libplist truncates towards zero and gives the fraction without its sign. Dates more than 68 years
        // from 2001 do not fit its 32-bit seconds and come out wrong (an undefined conversion inside
        // libplist 2.2 that this API offers no way around); later versions are read through 64 bits.
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        const double fraction = microseconds / 1e6;
        return {seconds < 0 ? seconds - fraction : seconds + fraction};
#endif
    }

    // Entries that cannot be represented are left out; a container nested too deeply fails everything.
    std::optional<PlistValue> readArray(plist_t node, std::size_t nesting) {
        PlistValue::Array array;
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(node, &iterator);
        LibraryMemory iteratorMemory(iterator);
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, iterator, &item);
            if (item == nullptr) {
                break;
            }
            if (auto value = read(item, nesting)) {
                array.push_back(std::move(*value));
            } else if (failed_) {
                return std::nullopt;
            }
        }
        return PlistValue(std::move(array));
    }

    std::optional<PlistValue> readDictionary(plist_t node, std::size_t nesting) {
        PlistValue::Dictionary dictionary;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        LibraryMemory iteratorMemory(iterator);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iterator, &key, &item);
            LibraryMemory keyMemory(key);
            if (item == nullptr) {
                break;
            }
            if (auto value = read(item, nesting)) {
                dictionary.insert_or_assign(key == nullptr ? std::string() : Text::validUtf8(key),
                                            std::move(*value));
            } else if (failed_) {
                return std::nullopt;
            }
        }
        return PlistValue(std::move(dictionary));
    }

    bool failed_ = false;
};

std::optional<PlistValue> convert(plist_t root) {
    Reader reader;
    auto value = reader.read(root);
    if (reader.failed()) {
        return std::nullopt;
    }
    return value;
}

// ---------------------------------------------------------------------------------------------------
// Owned values to libplist nodes.

plist_t newInteger(std::int64_t value) {
#ifdef TARNWICK_PLIST_HAS_FORMAT_OUT
    // From 2.3 on, unsigned values above the signed range are written as 128-bit integers.
    return plist_new_int(value);
#else
    return plist_new_uint(static_cast<std::uint64_t>(value));
#endif
}

plist_t newDate(PlistValue::Date date) {
    double seconds = std::isfinite(date.secondsSinceReferenceDate) ? date.secondsSinceReferenceDate : 0.0;
#ifdef TARNWICK_PLIST_HAS_UNIX_DATE
    seconds = std::clamp(std::round(seconds), -9.0e15, 9.0e15);
    return plist_new_unix_date(static_cast<std::int64_t>(seconds) + referenceDateFromUnixEpoch);
#else
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    seconds = std::clamp(seconds, lowest, highest);
    double whole = std::floor(seconds);
    auto microseconds = static_cast<std::int32_t>(std::lround((seconds - whole) * 1e6));
    if (microseconds >= 1'000'000 && whole < highest) {
        whole += 1;
        microseconds -= 1'000'000;
    }
    return plist_new_date(static_cast<std::int32_t>(whole), std::min(microseconds, 999'999));
#endif
}

plist_t build(const PlistValue& value) {
    const auto& storage = value.storage();
    if (const auto* boolean = std::get_if<bool>(&storage)) {
        return plist_new_bool(*boolean ? 1 : 0);
    }
    if (const auto* integer = std::get_if<std::int64_t>(&storage)) {
        return newInteger(*integer);
    }
    if (const auto* real = std::get_if<double>(&storage)) {
        return plist_new_real(*real);
    }
    if (const auto* text = std::get_if<std::string>(&storage)) {
        return plist_new_string(text->c_str());
    }
    if (const auto* date = std::get_if<PlistValue::Date>(&storage)) {
        return newDate(*date);
    }
    if (const auto* data = std::get_if<PlistValue::Data>(&storage)) {
        // libplist copies with memcpy, which must not be given a null pointer even for no bytes.
        static const char nothing = 0;
        return plist_new_data(data->empty() ? &nothing : reinterpret_cast<const char*>(data->data()),
                              data->size());
    }
    if (const auto* array = std::get_if<PlistValue::Array>(&storage)) {
        plist_t node = plist_new_array();
        for (const auto& item : *array) {
            plist_array_append_item(node, build(item));
        }
        return node;
    }
    const auto& dictionary = std::get<PlistValue::Dictionary>(storage);
    plist_t node = plist_new_dict();
    for (const auto& [key, item] : dictionary) {
        plist_dict_set_item(node, key.c_str(), build(item));
    }
    return node;
}

} // namespace

std::optional<PlistValue> parse(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    const auto length = static_cast<std::uint32_t>(bytes.size());
    plist_t root = nullptr;
    // The format is chosen here rather than by plist_from_memory: from 2.3 on that also accepts JSON and
    // OpenStep text, which a Mac does not read as a property list file.
    if (startsWith(bytes, "bplist00")) {
        if (!PlistInputCheck::isSafeBinary(bytes)) {
            return std::nullopt;
        }
        plist_from_bin(bytes.data(), length, &root);
    } else {
        const std::optional<std::string> converted = utf16XmlAsUtf8(bytes);
        std::string_view text = converted ? std::string_view(*converted) : bytes;
        if (startsWith(text, "\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        const std::size_t first = text.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos || text[first] != '<' ||
            text.size() > std::numeric_limits<std::uint32_t>::max() || !PlistInputCheck::isSafeXml(text)) {
            return std::nullopt;
        }
        plist_from_xml(text.data(), static_cast<std::uint32_t>(text.size()), &root);
    }
    const Node owner(root);
    if (root == nullptr) {
        return std::nullopt;
    }
    return convert(root);
}

std::optional<PlistValue> read(const std::filesystem::path& file, std::size_t maximumBytes) {
    try {
        const auto bytes = FileOperations::readFile(file, maximumBytes);
        return bytes ? parse(*bytes) : std::nullopt;
    } catch (const PlatformError&) {
        return std::nullopt;
    }
}

std::string toXml(const PlistValue& value) {
    const Node node(build(value));
    char* text = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(node.get(), &text, &length);
    std::string result = text == nullptr ? std::string() : std::string(text, length);
    plist_to_xml_free(text);
    return result;
}

std::string toBinary(const PlistValue& value) {
    const Node node(build(value));
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node.get(), &bytes, &length);
    std::string result = bytes == nullptr ? std::string() : std::string(bytes, length);
    plist_to_bin_free(bytes);
    return result;
}

} // namespace tarnwick::PropertyList
