#pragma once

#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>
#include <string_view>

namespace tarnwick {

class Bundle;

namespace FileUtilities {

// The name of an application whose bundle yields no usable name.
inline constexpr std::string_view unnamedApplication = "Unnamed Application";

// Bytes in a regular file, or in all regular files below a folder (hidden files and bundle contents
// included, links neither followed nor counted). Anything unreadable counts as 0. Once `stop` is
// requested the walk ends where it is and the bytes counted so far are returned, for the caller who asked
// for the stop to discard.
std::int64_t fileSize(const std::filesystem::path& location, const std::stop_token& stop = {});

// The name to show for an application bundle: the localised, then the plain display name and bundle
// name, the executable's name, then the file name without extension. `bundle` may be null when the
// bundle could not be opened. Never empty.
std::string applicationName(const Bundle* bundle, const std::filesystem::path& url);

} // namespace FileUtilities
} // namespace tarnwick
