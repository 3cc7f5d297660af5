#include "removal/HistoryScanner.h"

#include <algorithm>
#include <cstring>

namespace tarnwick {

namespace {

bool isSpace(char character) {
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

// The index of the first of `wanted` in text[from, to), or `to`. memchr looks at many bytes at a time:
// most of a history is paths inside strings.
std::size_t find(std::string_view text, char wanted, std::size_t from, std::size_t to) {
    const void* found = std::memchr(text.data() + from, wanted, to - from);
    return found == nullptr ? to : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
}

// Past the end of the string whose opening quote is just before `index`; npos when it does not end.
// `plain` tells whether it holds no escape.
std::size_t skipString(std::string_view text, std::size_t index, bool& plain) {
    plain = true;
    for (;;) {
        const std::size_t quote = find(text, '"', index, text.size());
        const std::size_t backslash = find(text, '\\', index, quote);
        if (backslash < quote) {
            plain = false;
            index = backslash + 2;
            if (index > text.size()) {
                return std::string_view::npos;
            }
            continue;
        }
        return quote == text.size() ? std::string_view::npos : quote + 1;
    }
}

std::size_t skipSpace(std::string_view text, std::size_t index) {
    while (index < text.size() && isSpace(text[index])) {
        ++index;
    }
    return index;
}

// Past the value that starts at `index`; npos when it does not end.
std::size_t skipValue(std::string_view text, std::size_t index) {
    int depth = 0;
    bool plain = true;
    while (index < text.size()) {
        const char character = text[index];
        if (character == '"') {
            index = skipString(text, index + 1, plain);
            if (index == std::string_view::npos) {
                return index;
            }
            if (depth == 0) {
                return index;
            }
            continue;
        }
        if (character == '{' || character == '[') {
            ++depth;
        } else if (character == '}' || character == ']') {
            if (depth == 0) {
                return index;
            }
            if (--depth == 0) {
                return index + 1;
            }
        } else if (character == ',' && depth == 0) {
            return index;
        }
        ++index;
    }
    return std::string_view::npos;
}

} // namespace

HistoryScanner::HistoryScanner(std::size_t longestElement, Each each, Spill spill)
    : longest_(longestElement)
    , each_(std::move(each))
    , spill_(std::move(spill)) {}

void HistoryScanner::startElement(std::uint64_t offset) {
    text_.clear();
    start_ = offset;
    end_ = offset;
    spilled_ = 0;
    depth_ = 0;
    deepest_ = 0;
    inString_ = false;
    escaped_ = false;
    where_ = Where::inElement;
}

void HistoryScanner::keep(std::string_view piece) {
    if (spilled_ == 0 && text_.size() + piece.size() <= longest_) {
        text_.append(piece);
        return;
    }
    if (spill_) {
        if (spilled_ == 0) {
            spill_(text_);
        }
        spill_(piece);
    }
    spilled_ += text_.size() + piece.size();
    text_.clear();
    text_.shrink_to_fit();
}

void HistoryScanner::endElement() {
    Element element;
    element.offset = start_;
    element.length = end_ - start_;
    element.depth = deepest_;
    element.tooLong = spilled_ > 0;
    if (!element.tooLong) {
        text_.resize(static_cast<std::size_t>(element.length));
        element.text = text_;
    }
    each_(element);
    text_.clear();
}

void HistoryScanner::feed(std::string_view piece) {
    std::size_t index = 0;
    std::size_t kept = 0; // where the part of the element under way not yet kept begins
    while (index < piece.size() && where_ != Where::broken) {
        const char character = piece[index];
        switch (where_) {
        case Where::beforeArray:
            where_ = isSpace(character) ? where_ : character == '[' ? Where::beforeFirst : Where::broken;
            ++index;
            continue;
        case Where::afterArray:
            where_ = isSpace(character) ? where_ : Where::broken;
            ++index;
            continue;
        case Where::beforeFirst:
        case Where::beforeElement:
            if (isSpace(character)) {
                ++index;
            } else if (character == ']' && where_ == Where::beforeFirst) {
                where_ = Where::afterArray;
                ++index;
            } else if (character == ']' || character == ',' || character == '}') {
                where_ = Where::broken;
            } else {
                startElement(position_ + index);
                kept = index;
            }
            continue;
        case Where::inElement:
            break;
        case Where::broken:
            return;
        }

        if (inString_) {
            if (escaped_) {
                escaped_ = false;
                ++index;
                continue;
            }
            const std::size_t quote = find(piece, '"', index, piece.size());
            const std::size_t backslash = find(piece, '\\', index, quote);
            if (backslash < quote) {
                escaped_ = true;
                index = backslash + 1;
            } else if (quote < piece.size()) {
                inString_ = false;
                index = quote + 1;
                end_ = position_ + index;
            } else {
                index = piece.size();
            }
            continue;
        }
        if (character == '"') {
            inString_ = true;
        } else if (character == '[' || character == '{') {
            deepest_ = std::max(deepest_, ++depth_);
        } else if ((character == ']' || character == '}') && depth_ > 0) {
            --depth_;
        } else if (depth_ == 0 && (character == ',' || character == ']' || character == '}')) {
            keep(piece.substr(kept, index - kept));
            endElement();
            where_ = character == ','   ? Where::beforeElement
                     : character == ']' ? Where::afterArray
                                        : Where::broken;
            ++index;
            continue;
        }
        ++index;
        if (!isSpace(character)) {
            end_ = position_ + index;
        }
    }
    if (where_ == Where::inElement) {
        keep(piece.substr(kept));
    }
    position_ += piece.size();
}

bool HistoryScanner::finish() {
    return where_ == Where::afterArray;
}

std::optional<std::string_view> HistoryScanner::plainMember(std::string_view object, std::string_view key) {
    std::size_t index = skipSpace(object, 0);
    if (index >= object.size() || object[index] != '{') {
        return std::nullopt;
    }
    std::optional<std::string_view> found;
    ++index;
    for (;;) {
        index = skipSpace(object, index);
        if (index >= object.size()) {
            return std::nullopt;
        }
        if (object[index] == '}') {
            return found;
        }
        if (object[index] != '"') {
            return std::nullopt;
        }
        bool plainKey = true;
        const std::size_t keyEnd = skipString(object, index + 1, plainKey);
        if (keyEnd == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view name = object.substr(index + 1, keyEnd - index - 2);
        index = skipSpace(object, keyEnd);
        if (index >= object.size() || object[index] != ':') {
            return std::nullopt;
        }
        index = skipSpace(object, index + 1);
        const std::size_t valueStart = index;
        index = skipValue(object, index);
        if (index == std::string_view::npos || index == valueStart) {
            return std::nullopt;
        }
        if (!plainKey && name.find('\\') != std::string_view::npos) {
            return std::nullopt; // it may spell `key`
        }
        if (name == key) {
            bool plainValue = true;
            // The parser keeps the last of two equal keys: only a key named once is certain.
            if (found || object[valueStart] != '"' ||
                skipString(object, valueStart + 1, plainValue) != index || !plainValue) {
                return std::nullopt;
            }
            found = object.substr(valueStart + 1, index - valueStart - 2);
        }
        index = skipSpace(object, index);
        if (index < object.size() && object[index] == ',') {
            ++index;
        } else if (index >= object.size() || object[index] != '}') {
            return std::nullopt;
        }
    }
}

int HistoryScanner::depthOf(std::string_view value) {
    int depth = 0;
    int deepest = 0;
    bool plain = true;
    for (std::size_t index = 0; index < value.size();) {
        const char character = value[index];
        if (character == '"') {
            index = skipString(value, index + 1, plain);
            if (index == std::string_view::npos) {
                break;
            }
            continue;
        }
        if (character == '[' || character == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (character == ']' || character == '}') {
            --depth;
        }
        ++index;
    }
    return deepest;
}

} // namespace tarnwick
