#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarnwick {

// One entry met while listing or walking a folder. The type values describe the entry itself:
// a symbolic link is never a folder or a regular file, whatever it points to.
struct DirectoryEntry {
    std::string path;           // the walk's root with the relative path appended
    std::size_t nameOffset = 0; // where the last component begins in `path`
    int level = 1;              // 1 for the root's own children
    bool isDirectory = false;
    bool isRegularFile = false;
    bool isSymbolicLink = false;
    std::int64_t size = 0; // logical size in bytes, when sizes were asked for

    // The last component; valid while the entry is unchanged.
    std::string_view name() const { return std::string_view(path).substr(nameOffset); }
    std::filesystem::path location() const { return path; }
};

} // namespace tarnwick
