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

// Parses XML (UTF-8, or UTF-16 with a byte-order mark or a UTF-16 declaration) or binary property-list
// bytes. Nothing for anything else, including malformed input.
std::optional<PlistValue> parse(std::string_view bytes);

// No property list the system reads (nor a strings file) comes near this size; a larger file is not read.
inline constexpr std::size_t largestFile = 16 << 20;

// Reads and parses a whole regular file; nothing when it cannot be read or parsed, or is over
// `maximumBytes`.
std::optional<PlistValue> read(const std::filesystem::path& file, std::size_t maximumBytes = largestFile);

std::string toXml(const PlistValue& value);
std::string toBinary(const PlistValue& value);

} // namespace PropertyList
} // namespace tarnwick
