#include "residuals/ResidualScanner.h"

#include "catalogue/AppIdentityReader.h"
#include "platform/Location.h"
#include "platform/ParallelFor.h"
#include "platform/ScanControl.h"
#include "platform/Text.h"
#include "residuals/AppEvidence.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/DeepSearch.h"
#include "residuals/DeveloperFolders.h"
#include "residuals/ExactLookups.h"
#include "residuals/LibrarySweep.h"
#include "residuals/NameMatcher.h"
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

namespace {

bool isOther(const InstalledIdentities::Entry& entry, const InstalledApp& app) {
    return entry.app.url.native() != app.url.native();
}

// What names another installed application's files: its bundle identifier and those of the programs
// nested in it.
std::vector<std::string> otherBundleIDs(const InstalledIdentities& otherApps, const InstalledApp& app) {
    std::vector<std::string> identifiers;
    for (const auto& entry : otherApps.entries()) {
        if (!isOther(entry, app)) {
            continue;
        }
        if (!entry.app.bundleID.empty()) {
            identifiers.push_back(Text::comparableName(entry.app.bundleID));
        }
        for (const auto& nested : entry.nested) {
            identifiers.push_back(Text::comparableName(nested.identifier));
        }
    }
    return identifiers;
}

// The display names and bundle file names of the other installed applications, comparable.
std::vector<std::string> otherNames(const InstalledIdentities& otherApps, const InstalledApp& app) {
    std::vector<std::string> names;
    for (const auto& entry : otherApps.entries()) {
        if (isOther(entry, app)) {
            names.push_back(Text::comparableName(entry.app.name));
            names.push_back(
                Text::comparableName(Location::lastComponent(Location::withoutExtension(entry.app.url))));
        }
    }
    return names;
}

// The entitlement identifiers (lowercased) that this application and another installed one both declare.
std::set<std::string> sharedEntitlementIdentifiers(const AppIdentityReader::Identity& identity,
                                                   const InstalledIdentities& otherApps,
                                                   const InstalledApp& app) {
    std::set<std::string> own;
    for (const auto& identifier : identity.entitlementIdentifiers) {
        if (!identifier.empty()) {
            own.insert(Text::comparableName(identifier));
        }
    }
    std::set<std::string> shared;
    for (const auto& entry : otherApps.entries()) {
        if (!isOther(entry, app)) {
            continue;
        }
        for (const auto& identifier : entry.identity.entitlementIdentifiers) {
            if (std::string lowered = Text::comparableName(identifier); own.contains(lowered)) {
                shared.insert(std::move(lowered));
            }
        }
    }
    return shared;
}

} // namespace

std::vector<ResidualItem> scan(const InstalledApp& app, const Platform& platform,
                               const InstalledIdentities& otherApps) {
    // Without a stop token nothing can cancel it.
    return scan(app, platform, otherApps, ScanControl{}).value();
}

std::optional<std::vector<ResidualItem>> scan(const InstalledApp& app, const Platform& platform,
                                              const InstalledIdentities& otherApps,
                                              const ScanControl& control) {
    const fs::path& home = platform.home();
    const fs::path userLibrary = home / "Library";
    const auto locations = libraryLocations(userLibrary, platform);
    ScanTally tally(control);

    const RemovalPolicy policy(platform, app);
    ResidualFindings found(policy);
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
    found.setSharedIdentifiers(sharedEntitlementIdentifiers(identity, otherApps, app));
    const auto identifiers = exactIdentifiers(app, identity);
    const std::string appName = Text::normalizedName(app.name);
    const std::vector<std::string> others = otherBundleIDs(otherApps, app);
    const std::vector<std::string> othersNames = otherNames(otherApps, app);
    const NameMatcher matcher(identifiers, Text::comparableName(app.bundleID), others,
                              applicationLogIdentifiers(app), othersNames);

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

    // Wider: what the application's helpers, team and developer name, and where it links to.
    const AppEvidence evidence = AppEvidence::gather(app, identity, otherApps);
    std::set<std::string> wideIdentifiers = identifiers;
    wideIdentifiers.merge(evidence.helperIdentifiers());
    const NameMatcher wide(std::move(wideIdentifiers), Text::comparableName(app.bundleID), others, {},
                           othersNames);
    widenLibrarySweep(listings, wide, evidence, app, found);
    addPrefixedContainers(app, userLibrary, wide, evidence, found);
    addIdentifierPlaces(userLibrary, platform, wide, evidence, found);
    addCommandLineLinks(app, platform, found);
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
