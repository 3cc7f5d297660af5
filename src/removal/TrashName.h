#pragma once

#include <climits>
#include <cstddef>
#include <filesystem>
#include <string>

namespace tarnwick {

// The names an item may take in a Trash, as the Finder varies a taken one.
namespace TrashName {

// The item's own name for the first attempt, then "Notes 2.app", "Notes 3.app"... (".profile 2" for a name
// without extension). The stem is shortened, never inside a UTF-8 sequence, to keep the name within
// `limit` bytes.
std::string candidate(const std::filesystem::path& item, int attempt, std::size_t limit = NAME_MAX);

} // namespace TrashName
} // namespace tarnwick
