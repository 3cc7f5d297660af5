#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick::ResidualScanner {

// The text forms the matches compare. Most file names are plain ASCII; for those the results equal the
// Unicode operations of `Text` and are computed without them, which keeps the walks of large homes fast.

// Full Unicode lowercasing (`Text::lowercased`).
std::string lowercasedName(std::string_view text);

// The lowercased letters, marks and digits (`FileUtilities::normalizedName`).
std::string nameKey(std::string_view text);

// Unicode scalars in UTF-8 text: what a length limit on a name counts.
std::size_t characterCount(std::string_view text);

// The part of an entry's last component that is matched: the whole name of a folder, a file's name
// without its extension (the whole name when it has none, or when its only dot starts it).
std::string_view matchedName(std::string_view lastComponent, bool isFolder);

} // namespace tarnwick::ResidualScanner
