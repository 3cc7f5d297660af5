#pragma once

#include <cstddef>
#include <string_view>

namespace tarnwick {

// Checks run on property-list bytes before libplist sees them: they refuse what would make it crash or
// run away (deep nesting, values multiplied by shared references, quadratic dictionaries).
namespace PlistInputCheck {

// libplist recurses once per nesting level when it parses binary data and when it frees any tree, so a
// deeply nested file would overflow the stack (a background thread has far less of it than the main one).
inline constexpr std::size_t maximumNesting = 512;

bool isSafeBinary(std::string_view bytes);
bool isSafeXml(std::string_view text);

} // namespace PlistInputCheck
} // namespace tarnwick
