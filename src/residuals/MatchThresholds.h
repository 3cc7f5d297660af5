#pragma once

#include <cstddef>

namespace tarnwick::ResidualScanner {

// How long a name must be, in characters, before a scanner lets it stand for one application: short
// names ("Notes", "Go") belong to too many things. One name per threshold, used wherever it applies.

// An application name key matched in the Library sweep and in the developer's own folders.
inline constexpr std::size_t shortestNameKey = 5;
// An application name key matched by the deep search, which looks at far more names.
inline constexpr std::size_t shortestDeepSearchNameKey = 6;
// The last component of a bundle identifier that names log and crash-report files.
inline constexpr std::size_t shortestLogIdentifier = 5;
// A vendor token whose folders in the Library are searched for the application's data.
inline constexpr std::size_t shortestVendorToken = 4;
// A word of the bundle identifier that names the application inside its developer's folder, where few
// other things are ('live' of com.ableton.live).
inline constexpr std::size_t shortestIdentifierWord = 4;

} // namespace tarnwick::ResidualScanner
