#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"
#include "residuals/InstalledIdentities.h"
#include "residuals/ResidualItem.h"

#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

// Finds what one application leaves behind: its preference files, containers and recent-documents
// lists by identifier, the matching entries of twenty Library folders, and a bounded search below a few
// dot-folders, the developer's own folders and the per-user cache and temporary folders.
namespace ResidualScanner {

// The reason every finding carries; it also tells which step made it.
inline constexpr std::string_view reasonSelectedApplication = "Selected application";
inline constexpr std::string_view reasonExactPreference = "Exact preference bundle identifier";
inline constexpr std::string_view reasonRecentDocuments = "Application-specific recent documents list";
inline constexpr std::string_view reasonExactContainer = "Exact application identifier match";
inline constexpr std::string_view reasonBundleIdentifier = "Bundle identifier match";
inline constexpr std::string_view reasonExecutableLog = "Application executable log match";
inline constexpr std::string_view reasonApplicationName =
    "Application name match \u2014 review before removal";
inline constexpr std::string_view reasonDeepBundleIdentifier = "Deep bundle identifier match";
inline constexpr std::string_view reasonDeepApplicationName =
    "Deep application name match \u2014 review before removal";
inline constexpr std::string_view reasonDeveloperFolder =
    "Application-specific folder inside shared developer support";

// The leftovers of `app`, pruned of findings inside other findings and ordered by category, then path.
// Findings named by the app's identifiers in the user's own folders are preselected; those in the
// system-wide Library and those found only by name are not. `otherApps` are the other installed
// applications: what one of them claims more specifically, or shares with this app, is never preselected.
// The whole catalogue may be passed: the entry at the app's own location is left out.
// Synchronous, may take seconds, never fails: whatever cannot be read is skipped.
std::vector<ResidualItem> scan(const InstalledApp& app, const Platform& platform,
                               const InstalledIdentities& otherApps = {});

// The same scan, reporting its progress and stopping soon after `control`'s stop is requested, in the
// search or while measuring: then it returns nothing rather than some of the findings.
std::optional<std::vector<ResidualItem>> scan(const InstalledApp& app, const Platform& platform,
                                              const InstalledIdentities& otherApps,
                                              const ScanControl& control);

} // namespace ResidualScanner
} // namespace tarnwick
