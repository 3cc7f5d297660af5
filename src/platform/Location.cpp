#include "platform/Location.h"

#include <cstdlib>
#include <system_error>

namespace tarnwick::Location {

namespace fs = std::filesystem;

fs::path standardized(const fs::path& location) {
    const bool absolute = location.is_absolute();
    std::vector<std::string> kept;
    for (const auto& part : location.relative_path()) {
        const std::string name = part.string();
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
    std::string text = absolute ? "/" : "";
    for (std::size_t index = 0; index < kept.size(); ++index) {
        if (index > 0) {
            text += '/';
        }
        text += kept[index];
    }
    if (text.empty()) {
        text = ".";
    }
    return text;
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
    if (clean == "/") {
        return "/";
    }
    return clean.filename().string();
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
