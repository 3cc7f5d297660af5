#include "residuals/ResidualScanner.h"

#include "catalogue/AppIdentityReader.h"
#include "catalogue/AppRecord.h"
#include "platform/Location.h"
#include "platform/ParallelFor.h"
#include "platform/ScanControl.h"
#include "platform/Text.h"
#include "residuals/AppEvidence.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/CrashReports.h"
#include "residuals/DeepSearch.h"
#include "residuals/DeveloperFolders.h"
#include "residuals/DeveloperFoldersByName.h"
#include "residuals/ExactLookups.h"
#include "residuals/HomeFolders.h"
#include "residuals/LibrarySweep.h"
#include "residuals/NameMatcher.h"
#include "residuals/OtherApps.h"
#include "residuals/ResidualFindings.h"
#include "residuals/ResidualOrder.h"
#include "residuals/SeenFolders.h"
#include "residuals/WiderSearch.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

std::vector<ResidualItem> scan(const InstalledApp& app, const Platform& platform,
                               const InstalledIdentities& otherApps) {
    // Without a stop token nothing can cancel it.
    return scan(app, platform, otherApps, ScanControl{}).value();
}

std::optional<std::vector<ResidualItem>> scan(const InstalledApp& listedApp, const Platform& platform,
                                              const InstalledIdentities& otherApps,
                                              const ScanControl& control) {
    // A record from the catalogue may come from its cache, which any process of the user can write: what
    // the scan takes is decided by what the bundle says now.
    InstalledApp app = listedApp;
    if (listedApp.reading) {
        app = AppRecord::listed(listedApp.url, listedApp.isSystem, platform);
        app.size = listedApp.size;
    }
    const fs::path& home = platform.home();
    const fs::path userLibrary = home / "Library";
    const auto locations = libraryLocations(userLibrary, platform);
    ScanTally tally(control);

    const RemovalPolicy policy(platform, app);
    ResidualFindings found(policy, home);
    if (!app.isSystem) {
        found.record(app.url, ResidualCategory::application, MatchConfidence::exact,
                     reasonSelectedApplication, true);
    }
    // Findings are few, so counting them at the end of each step costs little.
    auto stepDone = [&](std::size_t searched) {
        tally.searched(searched);
        tally.found(found.items().size());
        return !tally.stopRequested();
    };

    const auto identity = AppIdentityReader::read(app);
    const OtherApps others(otherApps, app);
    found.setSharedIdentifiers(others.sharedEntitlementIdentifiers(identity));
    const auto identifiers = exactIdentifiers(app, identity);
    const std::string appName = Text::normalizedName(app.name);
    const std::string bundleID = Text::comparableName(app.bundleID);
    const NameMatcher matcher(identifiers, bundleID, others, applicationLogIdentifiers(app));

    addExactPreferences(app, identity, userLibrary, platform, found);
    addRecentDocumentLists(identifiers, userLibrary, found);
    addExactContainers(containerNames(app, identity), userLibrary, found);
    if (!stepDone(1)) {
        return std::nullopt;
    }
    std::vector<LibraryListing> listings;
    for (const auto& location : locations) {
        sweepLibrary(location, matcher, appName, found, listings);
        if (!stepDone(1)) {
            return std::nullopt;
        }
    }

    // A folder reached through two roots ('~/Library/example' and '~/Library/Example' on a volume that
    // ignores case, or through a link) is searched once, so that no file is proposed under two paths.
    SeenFolders searched;
    for (const auto& root : deepSearchRoots(home, app, platform)) {
        if (searched.firstVisit(root.url)) {
            deepScan(root.url, root.depth, matcher, appName, platform, found,
                     [&] { return tally.searched(); });
        }
        if (!stepDone(1)) {
            return std::nullopt;
        }
    }
    addVendorFolders(app, home, matcher, platform, found);
    if (!stepDone(1)) {
        return std::nullopt;
    }

    // Wider: what the application's helpers, team, developer and names tell, and where it links to.
    const AppEvidence evidence = AppEvidence::gather(app, identity, others);
    std::set<std::string> wideIdentifiers = identifiers;
    wideIdentifiers.merge(evidence.helperIdentifiers());
    const NameMatcher wide(wideIdentifiers, bundleID, others);
    // The more telling rules first: each step only adds what no earlier one found.
    addCrashReportsByName(listings, wide, evidence, found);
    widenLibrarySweep(listings, wide, evidence, app, found);
    addDeveloperFoldersByName(listings, wide, evidence, app, found);
    addPrefixedContainers(app, userLibrary, wide, evidence, found);
    addIdentifierPlaces(userLibrary, platform, wide, evidence, found);
    addCommandLineLinks(app, platform, found);
    addHomeDotFolders(platform, wide, evidence, found);
    addUserContentFolders(platform, wide, evidence, found);
    if (!stepDone(1)) {
        return std::nullopt;
    }

    auto items = removeNested(found.items());
    // Measured only now: a finding replaced or pruned on the way would have been measured in vain.
    tally.found(items.size());
    // The bundle, mostly the largest finding, keeps the size its record has rather than being measured twice.
    std::optional<ResidualItem> measuredBundle;
    // The bundle by its path: links to it and receipts share its category.
    const auto bundle = std::find_if(items.begin(), items.end(), [&app](const ResidualItem& item) {
        return item.category == ResidualCategory::application &&
               item.url.native() == Location::standardized(app.url).native();
    });
    if (app.size && bundle != items.end()) {
        measuredBundle = std::move(*bundle);
        measuredBundle->size = *app.size;
        items.erase(bundle);
    }
    if (!measureSizes(items, tally, control.stop)) {
        return std::nullopt;
    }
    if (measuredBundle) {
        items.push_back(std::move(*measuredBundle));
    }
    sortInFinalOrder(items);
    return items;
}

} // namespace tarnwick::ResidualScanner
