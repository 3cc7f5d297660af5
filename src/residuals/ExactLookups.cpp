#include "residuals/ExactLookups.h"

#include "residuals/AppIdentifiers.h"
#include "residuals/ResidualScanner.h"
#include "residuals/SeenFolders.h"

#include <array>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

void addExactPreferences(const InstalledApp& app, const AppIdentityReader::Identity& identity,
                         const fs::path& userLibrary, const Platform& platform, ResidualFindings& found) {
    std::vector<std::string> candidates(identity.entitlementIdentifiers.begin(),
                                        identity.entitlementIdentifiers.end());
    if (!app.bundleID.empty()) {
        candidates.push_back(app.bundleID);
    }
    const std::array<std::pair<fs::path, bool>, 2> folders{{
        {userLibrary / "Preferences", true},
        {platform.system("/Library/Preferences"), false},
    }};
    for (const auto& identifier : candidates) {
        if (!passesIdentifierFilter(identifier) || !standsForApp(identifier, app)) {
            continue;
        }
        for (const auto& [folder, selected] : folders) {
            const fs::path file = folder / (identifier + ".plist");
            if (access(file.c_str(), F_OK) == 0) {
                found.record(file, ResidualCategory::preferences, MatchConfidence::exact,
                             reasonExactPreference, selected);
            }
        }
    }
}

void addRecentDocumentLists(const std::set<std::string>& identifiers, const fs::path& userLibrary,
                            ResidualFindings& found) {
    const fs::path folder = userLibrary / "Application Support" / "com.apple.sharedfilelist" /
                            "com.apple.LSSharedFileList.ApplicationRecentDocuments";
    for (const auto& identifier : identifiers) {
        if (!passesIdentifierFilter(identifier)) {
            continue;
        }
        for (const std::string_view extension : {"sfl", "sfl2", "sfl3", "sfl4"}) {
            const fs::path file = folder / (identifier + "." + std::string(extension));
            if (access(file.c_str(), F_OK) == 0) {
                found.record(file, ResidualCategory::support, MatchConfidence::exact, reasonRecentDocuments,
                             true);
            }
        }
    }
}

void addExactContainers(const std::vector<std::string>& names, const fs::path& userLibrary,
                        ResidualFindings& found) {
    const std::array<std::pair<fs::path, ResidualCategory>, 3> folders{{
        {userLibrary / "Containers", ResidualCategory::container},
        {userLibrary / "Group Containers", ResidualCategory::container},
        {userLibrary / "Application Scripts", ResidualCategory::applicationScripts},
    }};
    SeenFolders seen;
    for (const auto& name : names) {
        // Entitlement identifiers are the application's own word, and "." or "../x" would name the
        // container folder itself or a place outside it.
        if (!passesIdentifierFilter(name)) {
            continue;
        }
        for (const auto& [folder, category] : folders) {
            const fs::path candidate = folder / name;
            if (access(candidate.c_str(), R_OK) == 0 && seen.firstVisit(candidate)) {
                found.record(candidate, category, MatchConfidence::exact, reasonExactContainer, true);
            }
        }
    }
}

} // namespace tarnwick::ResidualScanner
