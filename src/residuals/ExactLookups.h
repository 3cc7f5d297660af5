#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "residuals/ResidualFindings.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tarnwick::ResidualScanner {

// The look-ups of a handful of exact paths per identifier; no folder is listed.

// <identifier>.plist in ~/Library/Preferences (selected) and /Library/Preferences (not selected), for the
// bundle identifier and the entitlement identifiers as declared.
void addExactPreferences(const InstalledApp& app, const AppIdentityReader::Identity& identity,
                         const std::filesystem::path& userLibrary, const Platform& platform,
                         ResidualFindings& found);

// The application's recent-documents lists (<identifier>.sfl, .sfl2, .sfl3, .sfl4).
void addRecentDocumentLists(const std::set<std::string>& identifiers,
                            const std::filesystem::path& userLibrary, ResidualFindings& found);

// The folders named `names` (see `containerNames`) in ~/Library/Containers, Group Containers and
// Application Scripts that the user may read. One folder reached under two spellings is proposed once,
// under the first.
void addExactContainers(const std::vector<std::string>& names, const std::filesystem::path& userLibrary,
                        ResidualFindings& found);

} // namespace tarnwick::ResidualScanner
