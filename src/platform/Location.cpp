#include "platform/Location.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <vector>

namespace tarnwick::Location {

namespace fs = std::filesystem;

namespace {

// Whether `text` has no empty, "." or ".." component and no trailing separator: standardising it would
// give it back unchanged.
bool isStandard(std::string_view text) {
    if (text == "/") {
        return true;
    }
    if (text.empty() || text.back() == '/') {
        return false;
    }
    std::size_t start = text.front() == '/' ? 1 : 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        const std::string_view name = text.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace

// Works on the text: locations are standardised by the thousand, and most of them already are.
fs::path standardized(const fs::path& location) {
    const std::string_view text = location.native();
    if (isStandard(text)) {
        return location;
    }
    const bool absolute = !text.empty() && text.front() == '/';
    std::vector<std::string_view> kept;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        const std::string_view name = text.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            // Above the root there is nothing: "/.." is "/". A relative path keeps leading "..".
            if (!kept.empty() && kept.back() != "..") {
                kept.pop_back();
            } else if (!absolute) {
                kept.push_back(name);
            }
            continue;
        }
        kept.push_back(name);
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t index = 0; index < kept.size(); ++index) {
        if (index > 0) {
            result += '/';
        }
        result += kept[index];
    }
    if (result.empty()) {
        result = ".";
    }
    return result;
}

fs::path resolved(const fs::path& location) {
    const fs::path clean = standardized(location);
    // One system call when the whole path exists, which is the common case.
    if (char* whole = ::realpath(clean.c_str(), nullptr); whole != nullptr) {
        fs::path result(whole);
        std::free(whole);
        return result;
    }
    std::error_code error;
    fs::path result = fs::weakly_canonical(clean, error);
    if (error) {
        return clean;
    }
    return standardized(result);
}

fs::path resolvedButLast(const fs::path& location) {
    const fs::path clean = standardized(location);
    if (!clean.has_relative_path()) {
        return clean;
    }
    return resolved(clean.parent_path()) / clean.filename();
}

std::string lastComponent(const fs::path& location) {
    const fs::path clean = standardized(location);
    const std::string& text = clean.native();
    if (text == "/") {
        return text;
    }
    // A standard location ends with its last component, after the last separator if it has one.
    const std::size_t separator = text.rfind('/');
    return separator == std::string::npos ? text : text.substr(separator + 1);
}

std::string extension(const fs::path& location) {
    const std::string name = lastComponent(location);
    const auto dot = name.rfind('.');
    // A leading dot marks a hidden name, not an extension: ".profile" has none.
    if (dot == std::string::npos || dot == 0 || name == "/") {
        return {};
    }
    return name.substr(dot + 1);
}

fs::path withoutExtension(const fs::path& location) {
    const fs::path clean = standardized(location);
    const std::string name = lastComponent(clean);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name == "/") {
        return clean;
    }
    std::string text = clean.string();
    text.resize(text.size() - (name.size() - dot));
    return text;
}

bool contains(const fs::path& folder, const fs::path& location, Containment containment) {
    std::string_view outer = folder.native();
    while (outer.size() > 1 && outer.back() == '/') {
        outer.remove_suffix(1);
    }
    const std::string_view inner = location.native();
    if (outer.empty()) {
        return false;
    }
    if (inner == outer) {
        return containment == Containment::orSame;
    }
    if (outer == "/") {
        return inner.size() > 1 && inner.front() == '/';
    }
    return inner.size() > outer.size() + 1 && inner.starts_with(outer) && inner[outer.size()] == '/';
}

bool isSingleComponent(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

} // namespace tarnwick::Location
