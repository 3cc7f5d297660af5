#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tarnwick {

// One entry met while listing or walking a folder. The type values describe the entry itself:
// a symbolic link is never a folder or a regular file, whatever it points to.
struct DirectoryEntry {
    std::string path;      // the walk's root with the relative path appended
    std::string_view name; // the last component, a view into `path`
    int level = 1;         // 1 for the root's own children
    bool isDirectory = false;
    bool isRegularFile = false;
    bool isSymbolicLink = false;
    std::int64_t size = 0; // logical size in bytes, when sizes were asked for

    std::filesystem::path location() const { return path; }

    // Copies and moves keep `name` pointing into their own `path` (a moved short string does not
    // keep its characters where they were).
    DirectoryEntry() = default;
    ~DirectoryEntry() = default;
    DirectoryEntry(const DirectoryEntry& other) { assign(other, std::string(other.path)); }
    DirectoryEntry(DirectoryEntry&& other) noexcept { assign(other, std::move(other.path)); }
    DirectoryEntry& operator=(const DirectoryEntry& other) {
        if (this != &other) {
            assign(other, std::string(other.path));
        }
        return *this;
    }
    DirectoryEntry& operator=(DirectoryEntry&& other) noexcept {
        if (this != &other) {
            assign(other, std::move(other.path));
        }
        return *this;
    }

private:
    // `source.path` may already have been moved into `newPath`: only its name view is read.
    void assign(const DirectoryEntry& source, std::string&& newPath) {
        std::optional<std::size_t> offset;
        const auto* begin = source.path.data();
        if (source.name.data() != nullptr && !std::less<>()(source.name.data(), begin) &&
            !std::less<>()(begin + source.path.size(), source.name.data() + source.name.size())) {
            offset = static_cast<std::size_t>(source.name.data() - begin);
        }
        const auto nameSize = source.name.size();
        const auto otherName = source.name;
        path = std::move(newPath);
        name = offset ? std::string_view(path).substr(*offset, nameSize) : otherName;
        level = source.level;
        isDirectory = source.isDirectory;
        isRegularFile = source.isRegularFile;
        isSymbolicLink = source.isSymbolicLink;
        size = source.size;
    }
};

} // namespace tarnwick
