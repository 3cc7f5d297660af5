#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/ResidualItem.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

// Finds what uninstalled applications left behind: the identifier-like entries directly inside the
// user's and the system's Library folders (Application Support, Caches, Preferences, Logs, and the
// user's Containers, Group Containers and Saved Application State) that no installed application and
// not macOS itself can be traced to.
namespace OrphanScanner {

// The reason given for every finding.
inline constexpr std::string_view reason =
    "No installed application matches this identifier. Review carefully.";

// Every finding, with confidence possible and unselected, ordered by path. Never fails: folders that
// cannot be listed contribute nothing. Sizes are measured several at a time.
std::vector<ResidualItem> scan(const InstalledIdentities& installed, const Platform& platform);

// The same scan, reporting its progress and stopping soon after `control`'s stop is requested, in the
// search or while measuring: then it returns nothing rather than some of the findings.
std::optional<std::vector<ResidualItem>> scan(const InstalledIdentities& installed, const Platform& platform,
                                              const ScanControl& control);

// The same, reading the applications' code-signing identities first.
std::vector<ResidualItem> scan(const std::vector<InstalledApp>& installedApps, const Platform& platform);

} // namespace OrphanScanner
} // namespace tarnwick
