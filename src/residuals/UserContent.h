#pragma once

#include <array>
#include <filesystem>
#include <string_view>

namespace tarnwick::ResidualScanner {

// The folders of the home that hold the user's own documents and media. Whatever lies in them is the
// user's work: never searched through a root that leads there, never preselected.
inline constexpr std::array<std::string_view, 7> userContentFolders{
    "Desktop", "Documents", "Downloads", "Movies", "Music", "Pictures", "Public",
};

// Whether `location` is one of those folders of `home`, or lies in one. Pass both resolved.
bool isUserContent(const std::filesystem::path& location, const std::filesystem::path& home);

} // namespace tarnwick::ResidualScanner
