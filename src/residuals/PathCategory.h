#pragma once

#include "platform/Platform.h"
#include "residuals/ResidualCategory.h"

#include <filesystem>

namespace tarnwick {

// Which scanner asks. Both categorise what they find outside fixed folders by one table of tests on the
// path; the orphan scan uses fewer of its rows, and what no row claims is support data to it rather than
// `other`.
enum class PathCategoryUse { residualScan, orphanScan };

// The category of the first row of the table that holds for `location` and is used by `use`: a folder
// named "Caches" anywhere above it makes it a cache, a ".plist" extension (case-sensitive) a preference
// file, and so on, tested on the lowercased path. The path tested is the one the Mac itself names
// (`Platform::pathOnSystem`): the folder a disk is mounted at is no part of it, or a disk kept below some
// "Caches" folder would make every finding a cache.
ResidualCategory pathCategory(const std::filesystem::path& location, const Platform& platform,
                              PathCategoryUse use);

} // namespace tarnwick
