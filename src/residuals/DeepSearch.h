#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualFindings.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarnwick::ResidualScanner {

// A folder searched below the Library, and the deepest level examined (1: the folder's own children).
struct DeepRoot {
    std::filesystem::path url;
    int depth = 0;
};

// In order: ~/.config and ~/.local/share; ~/Library/<vendor>, ~/Library/<Vendor> and ~/.<vendor> for a
// bundle identifier of at least three components; the per-user cache folder "C" and temporary folder "T".
// A root that is a link leading to the home folder, above it or into the user's documents is left out.
std::vector<DeepRoot> deepSearchRoots(const std::filesystem::path& home, const InstalledApp& app,
                                      const Platform& platform);

// Walks below `root` down to `maxDepth` levels, skipping package contents, links, nine folders that hold
// other programs' or the user's own data, and whatever lies below an identifier match. Identifier matches
// are recorded as exact and selected, folders and files named exactly like an application name key of at
// least 6 characters as possible (and still looked into). `keepsGoing`, when given, is asked before each
// entry is examined; the walk ends as soon as it answers false.
void deepScan(const std::filesystem::path& root, int maxDepth, const NameMatcher& matcher,
              const std::string& appName, const Platform& platform, ResidualFindings& found,
              const std::function<bool()>& keepsGoing = {});

} // namespace tarnwick::ResidualScanner
