#pragma once

#include "formats/PlistValue.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Reading and writing property lists (XML and binary). The only code that talks to libplist.
namespace PropertyList {

// Parses XML or binary property-list bytes. Nothing for anything else, including malformed input.
std::optional<PlistValue> parse(std::string_view bytes);

// Reads and parses a whole file; nothing when it cannot be read or parsed. Files over `maximumBytes`
// are not read: no property list the system reads comes near that.
std::optional<PlistValue> read(const std::filesystem::path& file, std::uintmax_t maximumBytes = 16 << 20);

// The bytes of a whole regular file; nothing for anything else (a folder, a pipe, a missing or unreadable
// file) and for files over `maximumBytes`.
std::optional<std::string> readBytes(const std::filesystem::path& file, std::uintmax_t maximumBytes);

std::string toXml(const PlistValue& value);
std::string toBinary(const PlistValue& value);

} // namespace PropertyList
} // namespace tarnwick
