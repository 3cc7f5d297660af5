#pragma once

#include "platform/Platform.h"
#include "residuals/ResidualCategory.h"

#include <filesystem>
#include <span>
#include <string_view>

namespace tarnwick {

// A test on a finding's lower-cased path: the path contains `fragment`.
struct PathCategoryRule {
    std::string_view fragment;
    ResidualCategory category;
};

// An ordered list of path tests with the ".plist" test between its two halves, as both scanners
// categorise what they find outside fixed folders.
struct PathCategoryRules {
    std::span<const PathCategoryRule> beforeExtension;
    std::span<const PathCategoryRule> afterExtension;
    ResidualCategory otherwise;
};

// The category of the first rule that holds. The path tested is the one the Mac itself names
// (`Platform::pathOnSystem`): the folder a disk is mounted at is no part of it, or a disk kept below
// some "Caches" folder would make every finding a cache. The extension test is case-sensitive.
ResidualCategory categorize(const std::filesystem::path& location, const Platform& platform,
                            const PathCategoryRules& rules);

} // namespace tarnwick
