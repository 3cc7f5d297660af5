#pragma once

#include "formats/PlistValue.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace tarnwick {

// Localised string tables (`InfoPlist.strings`): a binary or XML property list, or the old
// `"key" = "value";` text in UTF-8 or UTF-16 (with a byte-order mark), with comments and escapes.
namespace StringsFile {

// The table, with string values; nothing when the bytes are none of the accepted forms.
std::optional<PlistValue::Dictionary> parse(std::string_view bytes);

std::optional<PlistValue::Dictionary> read(const std::filesystem::path& file);

} // namespace StringsFile
} // namespace tarnwick
