#include "formats/PlistInputCheck.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarnwick::PlistInputCheck {
namespace {

// Values after expansion: a binary file can point many times at one container, and libplist copies it
// each time, so a few hundred bytes can stand for billions of values.
constexpr std::uint64_t maximumNodes = 1'000'000;
// libplist looks every key of an XML dictionary up among the keys already read, in a hash table of 4096
// fixed buckets, so dictionaries with many (or deliberately colliding) keys cost the square of their size.
constexpr std::uint64_t keyComparisonBudget = 100'000'000;

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

class BinaryShape {
public:
    explicit BinaryShape(std::string_view bytes)
        : bytes_(bytes) {}

    bool isSafe() {
        constexpr std::size_t trailerSize = 32;
        if (bytes_.size() < 8 + trailerSize) {
            return false;
        }
        const std::size_t trailer = bytes_.size() - trailerSize;
        offsetSize_ = byteAt(trailer + 6);
        referenceSize_ = byteAt(trailer + 7);
        objectCount_ = unsignedAt(trailer + 8, 8);
        const std::uint64_t top = unsignedAt(trailer + 16, 8);
        offsetTable_ = unsignedAt(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 || referenceSize_ > 8 ||
            objectCount_ == 0 || top >= objectCount_ || offsetTable_ < 8 || offsetTable_ >= trailer ||
            objectCount_ > (trailer - offsetTable_) / offsetSize_) {
            return false;
        }
        return walkFrom(top);
    }

private:
    struct Container {
        std::uint64_t referencesAt = 0;
        std::uint64_t referenceCount = 0;
        std::uint64_t keyCount = 0; // a dictionary's references start with those of its keys
    };
    struct Frame {
        std::uint64_t object;
        Container container;
        std::uint64_t nextReference = 0;
        std::uint64_t height = 0; // of the deepest child container seen so far
        std::uint64_t nodes = 1;  // this container and its expanded children so far
    };
    struct Summary {
        bool done = false;
        std::uint64_t height = 0;
        std::uint64_t nodes = 0;
    };

    std::uint8_t byteAt(std::uint64_t offset) const { return static_cast<std::uint8_t>(bytes_[offset]); }

    std::uint64_t unsignedAt(std::uint64_t offset, std::size_t width) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value = (value << 8) | byteAt(offset + i);
        }
        return value;
    }

    // Where the object's references lie when it is an array, set or dictionary; nothing for other objects
    // and for containers that do not fit (libplist refuses those itself).
    std::optional<Container> containerAt(std::uint64_t object, bool& malformed) const {
        const std::uint64_t offset = unsignedAt(offsetTable_ + object * offsetSize_, offsetSize_);
        if (offset >= offsetTable_) {
            malformed = true;
            return std::nullopt;
        }
        const std::uint8_t marker = byteAt(offset);
        const std::uint8_t type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD) {
            return std::nullopt;
        }
        const auto counted = countAndStart(offset);
        if (!counted) {
            malformed = true;
            return std::nullopt;
        }
        const auto [count, position] = *counted;
        const std::uint64_t perEntry = (type == 0xD ? 2 : 1) * std::uint64_t{referenceSize_};
        if (count > (offsetTable_ - position) / perEntry) {
            malformed = true;
            return std::nullopt;
        }
        return Container{position, count * (type == 0xD ? 2 : 1), type == 0xD ? count : 0};
    }

    // Where a count (4 bits, or an integer object after 0xF) and the data after it lie.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> countAndStart(std::uint64_t offset) const {
        std::uint64_t count = byteAt(offset) & 0x0F;
        std::uint64_t position = offset + 1;
        if (count == 0x0F) {
            if (position >= offsetTable_ || (byteAt(position) >> 4) != 0x1 || (byteAt(position) & 0x0F) > 3) {
                return std::nullopt;
            }
            const std::size_t width = std::size_t{1} << (byteAt(position) & 0x0F);
            if (position + 1 + width > offsetTable_) {
                return std::nullopt;
            }
            count = unsignedAt(position + 1, width);
            position += 1 + width;
        }
        return std::pair{count, position};
    }

    // libplist 2.2 asserts (and so aborts the process) when a dictionary key holds a NUL character,
    // which only a UTF-16 key can.
    bool isUsableKey(std::uint64_t object) {
        if (!checkedKeys_.insert(object).second) {
            return true;
        }
        const std::uint64_t offset = unsignedAt(offsetTable_ + object * offsetSize_, offsetSize_);
        if (offset >= offsetTable_ || (byteAt(offset) >> 4) != 0x6) {
            return true;
        }
        const auto counted = countAndStart(offset);
        if (!counted || counted->first > (offsetTable_ - counted->second) / 2) {
            return true; // libplist refuses it itself
        }
        for (std::uint64_t unit = 0; unit < counted->first; ++unit) {
            if (unsignedAt(counted->second + unit * 2, 2) == 0) {
                return false;
            }
        }
        return true;
    }

    // Depth-first over the object graph, remembering each finished container so that shared ones are
    // measured once; a container met again while it is still open is a cycle.
    bool walkFrom(std::uint64_t top) {
        bool malformed = false;
        auto root = containerAt(top, malformed);
        if (malformed) {
            return false;
        }
        if (!root) {
            return true;
        }
        std::unordered_map<std::uint64_t, Summary> seen;
        std::vector<Frame> stack;
        stack.push_back(Frame{top, *root});
        seen[top] = Summary{};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.nextReference == frame.container.referenceCount) {
                const Summary finished{true, frame.height + 1, frame.nodes};
                seen[frame.object] = finished;
                stack.pop_back();
                if (!stack.empty()) {
                    Frame& parent = stack.back();
                    parent.height = std::max(parent.height, finished.height);
                    parent.nodes += finished.nodes;
                    if (parent.nodes > maximumNodes) {
                        return false;
                    }
                }
                continue;
            }
            const std::uint64_t child = unsignedAt(
                frame.container.referencesAt + frame.nextReference * referenceSize_, referenceSize_);
            const bool isKey = frame.nextReference < frame.container.keyCount;
            ++frame.nextReference;
            if (child >= objectCount_ || (isKey && !isUsableKey(child))) {
                return false;
            }
            if (auto known = seen.find(child); known != seen.end()) {
                if (!known->second.done) {
                    return false;
                }
                frame.height = std::max(frame.height, known->second.height);
                frame.nodes += known->second.nodes;
            } else if (auto container = containerAt(child, malformed)) {
                if (stack.size() >= maximumNesting || seen.size() >= maximumNodes) {
                    return false;
                }
                seen[child] = Summary{};
                stack.push_back(Frame{child, *container});
                continue;
            } else if (malformed) {
                return false;
            } else {
                frame.nodes += 1;
            }
            if (frame.nodes > maximumNodes) {
                return false;
            }
        }
        return true;
    }

    std::string_view bytes_;
    std::unordered_set<std::uint64_t> checkedKeys_;
    std::uint8_t offsetSize_ = 0;
    std::uint8_t referenceSize_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t offsetTable_ = 0;
};

// Walks the tags the way libplist's XML reader does (comments, processing instructions and DOCTYPE
// skipped with the same quoting rules), counting open arrays and dictionaries, elements, and keys per
// dictionary. Where libplist would stop with an error this walk may go on or refuse: either is safe, as
// only what libplist builds before it stops matters. Text inside elements holds no tags but comments
// and CDATA sections, which both walks skip alike.
class XmlShape {
public:
    explicit XmlShape(std::string_view text)
        : text_(text) {}

    bool isSafe() {
        std::size_t position = 0;
        while ((position = text_.find('<', position)) != std::string_view::npos) {
            const std::string_view rest = text_.substr(position);
            if (startsWith(rest, "<?")) {
                position = find(position + 2, "?>", true);
            } else if (startsWith(rest, "<!--")) {
                position = find(position + 4, "-->", false);
            } else if (startsWith(rest, "<![CDATA[")) {
                position = find(position + 9, "]]>", false);
            } else if (startsWith(rest, "<!DOCTYPE")) {
                position = skipDoctype(position + 9);
            } else if (startsWith(rest, "<!")) {
                return false;
            } else if (!tagAt(position)) {
                return false;
            }
            if (position == std::string_view::npos) {
                return false;
            }
        }
        return true;
    }

private:
    // The position just past `marker` at or after `from`; with `quoted`, markers inside "..." do not count.
    std::size_t find(std::size_t from, std::string_view marker, bool quoted) const {
        for (std::size_t at = from; at < text_.size(); ++at) {
            if (text_.compare(at, marker.size(), marker) == 0) {
                return at + marker.size();
            }
            if (quoted && text_[at] == '"') {
                at = text_.find('"', at + 1);
                if (at == std::string_view::npos) {
                    return at;
                }
            }
        }
        return std::string_view::npos;
    }

    // Past the closing '>' of a DOCTYPE, or past "]>" when it has an internal subset.
    std::size_t skipDoctype(std::size_t from) const {
        for (std::size_t at = from; at < text_.size(); ++at) {
            if (text_[at] == '"') {
                at = text_.find('"', at + 1);
                if (at == std::string_view::npos) {
                    return at;
                }
            } else if (text_[at] == '>') {
                return at + 1;
            } else if (text_[at] == '[') {
                return find(at, "]>", true);
            }
        }
        return std::string_view::npos;
    }

    // One start or end tag at `position`; moves `position` past its '>'.
    bool tagAt(std::size_t& position) {
        const std::size_t nameStart = position + 1;
        const std::size_t nameEnd = text_.find_first_of(" \t\r\n<>", nameStart);
        if (nameEnd == std::string_view::npos) {
            return false;
        }
        std::size_t end = nameEnd;
        while (end < text_.size() && text_[end] != '<' && text_[end] != '>') {
            if (text_[end] == '"') {
                end = text_.find('"', end + 1);
                if (end == std::string_view::npos) {
                    return false;
                }
            }
            ++end;
        }
        if (end >= text_.size() || text_[end] != '>') {
            return false;
        }
        std::string_view name = text_.substr(nameStart, nameEnd - nameStart);
        const bool isEmpty = end > nameStart && text_[end - 1] == '/';
        if (isEmpty && end - nameStart - 1 < name.size()) {
            name = name.substr(0, end - nameStart - 1);
        }
        position = end + 1;

        if (name == "/array" || name == "/dict") {
            if (!open_.empty()) {
                open_.pop_back();
            }
            return true;
        }
        if (name.empty() || name[0] == '/' || name == "plist") {
            return true;
        }
        if (++elements_ > maximumNodes) {
            return false;
        }
        if (name == "key" && !open_.empty()) {
            // Adding the n-th key to a dictionary costs up to n comparisons.
            keyComparisons_ += ++open_.back();
            if (keyComparisons_ > keyComparisonBudget) {
                return false;
            }
        }
        if ((name == "array" || name == "dict") && !isEmpty) {
            open_.push_back(0);
            if (open_.size() > maximumNesting) {
                return false;
            }
        }
        return true;
    }

    std::string_view text_;
    std::vector<std::uint64_t> open_; // keys read so far in each open container
    std::uint64_t elements_ = 0;
    std::uint64_t keyComparisons_ = 0;
};
} // namespace

bool isSafeBinary(std::string_view bytes) {
    return BinaryShape(bytes).isSafe();
}

bool isSafeXml(std::string_view text) {
    return XmlShape(text).isSafe();
}

} // namespace tarnwick::PlistInputCheck
