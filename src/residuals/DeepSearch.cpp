#include "residuals/DeepSearch.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/MatchThresholds.h"
#include "residuals/MatchedName.h"
#include "residuals/PathCategory.h"
#include "residuals/ResidualScanner.h"
#include "residuals/UserContent.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <sys/stat.h>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

namespace {

// Cloud drives, mail, messages, photos, sandboxes and tools: never entered, never proposed.
constexpr std::array<std::string_view, 9> excludedNames{
    "Mobile Documents", "CloudStorage",     "Mail",      "Messages", "Photos",
    "Containers",       "Group Containers", "Developer", "Metadata",
};

bool isExcluded(std::string_view name) {
    return std::find(excludedNames.begin(), excludedNames.end(), name) != excludedNames.end();
}

// Whether a root that is a link (a dotfile manager links ~/.config to wherever it likes) leads to the home
// folder, a folder above it, or the user's documents: a search there would propose the user's own files.
bool leadsIntoUserData(const fs::path& root, const fs::path& home) {
    struct stat status {};
    if (::lstat(root.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return false;
    }
    const fs::path target = Location::resolved(root);
    const fs::path resolvedHome = Location::resolved(home);
    return Location::contains(target, resolvedHome, Location::Containment::orSame) ||
           isUserContent(target, resolvedHome);
}

} // namespace

std::vector<DeepRoot> deepSearchRoots(const fs::path& home, const InstalledApp& app,
                                      const Platform& platform) {
    const fs::path perUser = platform.temporaryFolder().parent_path();
    std::vector<DeepRoot> roots{{home / ".config", 4}, {home / ".local" / "share", 4}};
    if (const auto vendor = BundleIdentifier::vendorToken(app.bundleID)) {
        roots.push_back({home / "Library" / *vendor, 5});
        roots.push_back({home / "Library" / Text::titleCased(*vendor), 5});
    }
    if (const auto dotFolder = BundleIdentifier::vendorDotFolder(app.bundleID)) {
        roots.push_back({home / *dotFolder, 5});
    }
    roots.push_back({perUser / "C", 4});
    roots.push_back({perUser / "T", 3});
    std::erase_if(roots, [&home](const DeepRoot& root) { return leadsIntoUserData(root.url, home); });
    return roots;
}

void deepScan(const fs::path& root, int maxDepth, const NameMatcher& matcher, const std::string& appName,
              const Platform& platform, ResidualFindings& found, const std::function<bool()>& keepsGoing) {
    using Step = DirectoryWalker::Step;
    const bool matchesByName =
        Text::characterCount(appName) >= shortestDeepSearchNameKey && !matcher.isAnotherAppsName(appName);
    const DirectoryWalker::Options options{.skipsPackageContents = true, .deepestLevel = maxDepth};
    DirectoryWalker::walk(root, options, [&](const DirectoryEntry& entry) {
        if (keepsGoing && !keepsGoing()) {
            return Step::stop;
        }
        if (isExcluded(entry.name()) || entry.isSymbolicLink) {
            return Step::skipDescendants;
        }
        const std::string name = Text::comparableName(matchedName(entry.name(), entry.isDirectory));
        switch (matcher.identifierMatch(name)) {
        case NameOwner::thisApp:
            found.record(entry.path, pathCategory(entry.path, platform, PathCategoryUse::residualScan),
                         MatchConfidence::exact, reasonDeepBundleIdentifier, true);
            [[fallthrough]];
        case NameOwner::otherApp:
            // A folder named by an identifier is proposed as a whole, or belongs to another application.
            return entry.isDirectory ? Step::skipDescendants : Step::proceed;
        case NameOwner::none:
            break;
        }
        if (matchesByName && Text::normalizedName(name) == appName) {
            // A name match is looser: findings inside the folder are still made.
            found.record(entry.path, pathCategory(entry.path, platform, PathCategoryUse::residualScan),
                         MatchConfidence::possible, reasonDeepApplicationName, false);
        }
        return Step::proceed;
    });
}

} // namespace tarnwick::ResidualScanner
