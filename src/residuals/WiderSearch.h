#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "residuals/AppEvidence.h"
#include "residuals/LibrarySweep.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualFindings.h"

#include <filesystem>
#include <vector>

namespace tarnwick::ResidualScanner {

// The steps that look beyond the application's own identifiers and the twenty swept folders. They run
// after the others and only add: what an earlier step found keeps its confidence, reason and selection.
// `wide` matches the application's exact identifiers and those of its helpers; every reason names the
// evidence, so that a user can judge a finding that is not exact.

// Children of the swept folders named by a helper's identifier (exact, unless the helper is shared with
// another installed application or comes from another developer), in the developer's namespace
// ("com.vendor.": verified, or possible while the namespace is shared; see namespaceVerdict), and names
// that begin with the application's name (possible, never preselected).
void widenLibrarySweep(const std::vector<LibraryListing>& listings, const NameMatcher& wide,
                       const AppEvidence& evidence, const InstalledApp& app, ResidualFindings& found);

// Containers, Group Containers and Application Scripts listed: '<team>.<name>' and 'group.<name>'
// where <name> is the application's (verified; preselected only when no other installed application has
// the same team), the folders of its helpers and extensions, names in the developer's namespace (with
// or without those prefixes), and 'group.<vendor prefix>' while the developer has no other installed
// application (possible). Names with another team's prefix are left.
void addPrefixedContainers(const InstalledApp& app, const std::filesystem::path& userLibrary,
                           const NameMatcher& wide, const AppEvidence& evidence, ResidualFindings& found);

// Places known by identifier that the sweep does not visit: ~/Library/Cookies, ~/Library/Preferences/
// ByHost, ~/Library/Autosave Information (the user's unsaved documents: not preselected) and the
// installer's receipts in /private/var/db/receipts (the system's records: not preselected). Names in the
// developer's namespace count there as in the swept folders.
void addIdentifierPlaces(const std::filesystem::path& userLibrary, const Platform& platform,
                         const NameMatcher& wide, const AppEvidence& evidence, ResidualFindings& found);

// Links in /usr/local/bin, /opt/homebrew/bin and ~/.local/bin that lead into the application's bundle,
// which would dangle once it is gone. The link is the finding, never what it leads to.
void addCommandLineLinks(const InstalledApp& app, const Platform& platform, ResidualFindings& found);

} // namespace tarnwick::ResidualScanner
