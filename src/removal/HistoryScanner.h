#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Takes a JSON array apart into its elements as the text streams in, piece by piece, without parsing the
// elements themselves: a history of any size is read holding one record at a time. An element longer
// than the largest one kept in memory is handed on in pieces instead, so that it can be kept aside
// without ever being held whole.
class HistoryScanner {
public:
    struct Element {
        std::uint64_t offset = 0; // of its first byte in the whole text
        std::uint64_t length = 0; // as written, surrounding space left out
        std::string_view text;    // empty for an element too long to keep in memory
        int depth = 0;            // how deep it nests; strings are not counted
        bool tooLong = false;
    };
    using Each = std::function<void(const Element&)>;
    // Receives, in order, the pieces of an element too long to keep in memory.
    using Spill = std::function<void(std::string_view)>;

    HistoryScanner(std::size_t longestElement, Each each, Spill spill = {});

    // The next piece of the text.
    void feed(std::string_view piece);
    // Whether the whole text was one JSON array. Elements were handed on as they came, so a caller keeps
    // what it got only when this holds.
    bool finish();

    // The value of the top-level member `key` of a JSON object, when both the key and the value are
    // written as plain strings without escapes; nothing otherwise (the caller then parses the object).
    static std::optional<std::string_view> plainMember(std::string_view object, std::string_view key);
    // How deep a JSON value nests; strings are not counted.
    static int depthOf(std::string_view value);

private:
    enum class Where { beforeArray, beforeFirst, beforeElement, inElement, afterArray, broken };

    void startElement(std::uint64_t offset);
    void keep(std::string_view piece);
    void endElement();

    std::size_t longest_;
    Each each_;
    Spill spill_;
    Where where_ = Where::beforeArray;
    std::uint64_t position_ = 0; // of the piece being fed
    // The element under way.
    std::string text_;
    std::uint64_t start_ = 0;
    std::uint64_t end_ = 0; // just after its last byte that is not space
    std::uint64_t spilled_ = 0;
    int depth_ = 0;
    int deepest_ = 0;
    bool inString_ = false;
    bool escaped_ = false; // the next byte in the string is escaped
};

} // namespace tarnwick
