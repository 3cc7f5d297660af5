#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The path operations the logic names: "standardised" and "resolved" forms and the parts of a path.
namespace Location {

// "." and ".." components and trailing separators removed; case kept; links not resolved.
std::filesystem::path standardized(const std::filesystem::path& location);

// Every symbolic link followed, as far as the path exists; the missing rest is appended standardised.
std::filesystem::path resolved(const std::filesystem::path& location);

// The folders of `location` resolved, its last component kept as it is: what it names is the item
// itself, even when that is a link.
std::filesystem::path resolvedButLast(const std::filesystem::path& location);

std::string lastComponent(const std::filesystem::path& location);

// The text after the last dot of the last component; empty when there is none or when the only dot
// starts the name (".profile").
std::string extension(const std::filesystem::path& location);

// The path with "." and the extension removed from its last component.
std::filesystem::path withoutExtension(const std::filesystem::path& location);

enum class Containment {
    strict, // below the folder, never the folder itself
    orSame, // the folder itself counts too
};

// Whether `location` lies below `folder`, comparing whole components of the path text as given (pass
// both standardised, or both resolved): "/r/disk2/x" is not in "/r/disk". Everything absolute but "/" is
// strictly below "/"; an empty folder holds nothing. A trailing separator on the folder is ignored.
bool contains(const std::filesystem::path& folder, const std::filesystem::path& location,
              Containment containment = Containment::strict);

// Whether `name` can stand as one component of a path: not empty, not "." or "..", no "/" and no NUL.
// Names from bundles, signatures and the disk are checked with it before they are joined to a path.
bool isSingleComponent(std::string_view name);

} // namespace Location
} // namespace tarnwick
