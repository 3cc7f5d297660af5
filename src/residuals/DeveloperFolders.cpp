#include "residuals/DeveloperFolders.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/MatchThresholds.h"
#include "residuals/MatchedName.h"
#include "residuals/PathCategory.h"
#include "residuals/ResidualScanner.h"
#include "residuals/SeenFolders.h"

#include <algorithm>
#include <vector>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

namespace {

constexpr int deepestLevel = 3;

// The normalised display name and file name of the application, each if long enough to mean something.
std::vector<std::string> applicationNames(const InstalledApp& app) {
    std::vector<std::string> names;
    for (const std::string& name :
         {Text::normalizedName(app.name),
          Text::normalizedName(Location::lastComponent(Location::withoutExtension(app.url)))}) {
        if (Text::characterCount(name) >= shortestNameKey) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace

void addVendorFolders(const InstalledApp& app, const fs::path& home, const NameMatcher& matcher,
                      const Platform& platform, ResidualFindings& found) {
    const auto vendor = BundleIdentifier::vendorToken(app.bundleID);
    if (!vendor || Text::characterCount(*vendor) < shortestVendorToken) {
        return;
    }
    const std::string capitalised = Text::titleCased(*vendor);
    const fs::path library = home / "Library";
    const fs::path candidates[] = {
        library / "Application Support" / *vendor,
        library / "Application Support" / capitalised,
        library / *vendor,
        library / capitalised,
    };
    SeenFolders searched;
    for (const auto& candidate : candidates) {
        if (searched.firstVisit(candidate)) {
            addAppSpecificChildren(candidate, app, matcher, platform, found);
        }
    }
}

void addAppSpecificChildren(const fs::path& folder, const InstalledApp& app, const NameMatcher& matcher,
                            const Platform& platform, ResidualFindings& found) {
    using Step = DirectoryWalker::Step;
    const auto names = applicationNames(app);
    const DirectoryWalker::Options options{.skipsHiddenEntries = true, .deepestLevel = deepestLevel};
    DirectoryWalker::walk(folder, options, [&](const DirectoryEntry& entry) {
        if (entry.isSymbolicLink) {
            return Step::skipDescendants;
        }
        const std::string component = Text::comparableName(entry.name());
        NameOwner owner = matcher.bundleIdentifierPrefixMatch(component);
        if (owner == NameOwner::none) {
            const std::string key = Text::normalizedName(matchedName(component, entry.isDirectory));
            owner = std::find(names.begin(), names.end(), key) != names.end() ? NameOwner::thisApp
                                                                              : NameOwner::none;
        }
        switch (owner) {
        case NameOwner::thisApp:
            found.record(entry.path, pathCategory(entry.path, platform, PathCategoryUse::residualScan),
                         MatchConfidence::exact, reasonDeveloperFolder, true);
            [[fallthrough]];
        case NameOwner::otherApp:
            return entry.isDirectory ? Step::skipDescendants : Step::proceed;
        case NameOwner::none:
            break;
        }
        return Step::proceed;
    });
}

} // namespace tarnwick::ResidualScanner
