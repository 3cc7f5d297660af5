#pragma once

#include <string_view>

namespace tarnwick {

// The part of an entry's last component that is matched: the whole name of a folder, a file's name
// without its extension (the whole name when it has none, or when its only dot starts it).
std::string_view matchedName(std::string_view lastComponent, bool isFolder);

} // namespace tarnwick
