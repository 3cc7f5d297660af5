#pragma once

#include "platform/Platform.h"
#include "residuals/ResidualCategory.h"

#include <filesystem>

namespace tarnwick::ResidualScanner {

// The category of a finding outside the swept Library folders, told by its path: the first of a fixed
// list of tests on the lowercased path that holds (a folder named "Caches" anywhere above it makes it a
// cache, a ".plist" a preference file, and so on), `other` when none does.
ResidualCategory category(const std::filesystem::path& location, const Platform& platform);

} // namespace tarnwick::ResidualScanner
