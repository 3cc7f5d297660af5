#include "residuals/LibrarySweep.h"

#include "platform/DirectoryWalker.h"
#include "platform/Text.h"
#include "residuals/MatchThresholds.h"
#include "residuals/MatchedName.h"
#include "residuals/ResidualScanner.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

namespace {

struct Verdict {
    MatchConfidence confidence;
    std::string_view reason;
};

// What a child of `location` named `name` (comparable) is to this application, if anything.
std::optional<Verdict> verdict(const LibraryLocation& location, std::string_view name,
                               const NameMatcher& matcher, const std::string& appName) {
    if (location.category == ResidualCategory::logs) {
        switch (matcher.logIdentifierMatch(name)) {
        case NameOwner::thisApp:
            return Verdict{MatchConfidence::exact, reasonExecutableLog};
        case NameOwner::otherApp:
            return std::nullopt;
        case NameOwner::none:
            break;
        }
    }
    switch (matcher.identifierMatch(name)) {
    case NameOwner::thisApp:
        return Verdict{MatchConfidence::exact, reasonBundleIdentifier};
    case NameOwner::otherApp:
        // Another installed application's, so not even a name match for this one.
        return std::nullopt;
    case NameOwner::none:
        break;
    }
    // An application named like another installed one cannot tell their folders apart by name.
    if (Text::characterCount(appName) >= shortestNameKey && Text::normalizedName(name) == appName &&
        !matcher.isAnotherAppsName(appName)) {
        return Verdict{MatchConfidence::possible, reasonApplicationName};
    }
    return std::nullopt;
}

} // namespace

std::vector<LibraryLocation> libraryLocations(const fs::path& userLibrary, const Platform& platform) {
    using Category = ResidualCategory;
    return {
        {userLibrary / "Application Support", Category::support, false},
        {userLibrary / "Caches", Category::cache, false},
        {userLibrary / "Preferences", Category::preferences, false},
        {userLibrary / "Saved Application State", Category::state, false},
        {userLibrary / "HTTPStorages", Category::web, false},
        {userLibrary / "WebKit", Category::web, false},
        {userLibrary / "Logs", Category::logs, false},
        {userLibrary / "Logs" / "DiagnosticReports", Category::logs, false, true},
        {userLibrary / "Logs" / "CrashReporter", Category::logs, false, true},
        {userLibrary / "Application Support" / "CrashReporter", Category::crashReports, false, true},
        {userLibrary / "LaunchAgents", Category::service, false},
        {platform.system("/Library/Application Support"), Category::support, true},
        {platform.system("/Library/Caches"), Category::cache, true},
        {platform.system("/Library/Preferences"), Category::preferences, true},
        {platform.system("/Library/LaunchAgents"), Category::service, true},
        {platform.system("/Library/LaunchDaemons"), Category::service, true},
        {platform.system("/Library/PrivilegedHelperTools"), Category::service, true},
        {platform.system("/Library/Logs/DiagnosticReports"), Category::logs, true, true},
        {platform.system("/Library/Logs/CrashReporter"), Category::logs, true, true},
        {platform.system("/Library/Application Support/CrashReporter"), Category::crashReports, true, true},
    };
}

namespace {

// The comparable matched names of `children`, in their order.
std::vector<std::string> sweepChildren(const LibraryLocation& location,
                                       const std::vector<DirectoryEntry>& children,
                                       const NameMatcher& matcher, const std::string& appName,
                                       ResidualFindings& found) {
    std::vector<std::string> names;
    names.reserve(children.size());
    for (const auto& child : children) {
        const std::string& name =
            names.emplace_back(Text::comparableName(matchedName(child.name(), child.isDirectory)));
        if (const auto match = verdict(location, name, matcher, appName)) {
            // Only identifier matches in the user's own Library are preselected.
            const bool selected = match->confidence == MatchConfidence::exact && !location.systemWide;
            found.record(child.path, location.category, match->confidence, match->reason, selected);
        }
    }
    return names;
}

} // namespace

void sweepLibrary(const std::vector<LibraryLocation>& locations, const NameMatcher& matcher,
                  const std::string& appName, ResidualFindings& found) {
    for (const auto& location : locations) {
        if (const auto children = DirectoryWalker::children(location.url)) {
            sweepChildren(location, *children, matcher, appName, found);
        }
    }
}

void sweepLibrary(const LibraryLocation& location, const NameMatcher& matcher, const std::string& appName,
                  ResidualFindings& found, std::vector<LibraryListing>& listings) {
    if (auto children = DirectoryWalker::children(location.url)) {
        auto names = sweepChildren(location, *children, matcher, appName, found);
        listings.push_back({location, std::move(*children), std::move(names)});
    }
}

} // namespace tarnwick::ResidualScanner
