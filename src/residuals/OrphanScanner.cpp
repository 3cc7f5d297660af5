#include "residuals/OrphanScanner.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/ScanControl.h"
#include "platform/Text.h"
#include "residuals/MatchedName.h"
#include "residuals/PathCategory.h"
#include "residuals/ResidualFindings.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tarnwick::OrphanScanner {
namespace {

namespace fs = std::filesystem;

// Below the user's Library, examined before the system's folders.
constexpr std::array<std::string_view, 7> userRoots{
    "Application Support",     "Caches", "Preferences", "Logs", "Containers", "Group Containers",
    "Saved Application State",
};

constexpr std::array<std::string_view, 4> systemRoots{
    "/Library/Application Support",
    "/Library/Caches",
    "/Library/Preferences",
    "/Library/Logs",
};

constexpr std::string_view separators = ".-_";

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        return std::hash<std::string_view>{}(text);
    }
};

using IdentifierSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

// What an entry would be called after the application that made it: a file loses its extension
// (com.vendor.app.plist), a folder keeps its whole name (com.vendor.app.savedState).
std::string baseName(std::string_view name, bool isDirectory) {
    return Text::comparableName(matchedName(name, isDirectory));
}

IdentifierSet installedIdentifiers(const InstalledIdentities& installed) {
    IdentifierSet identifiers;
    // An empty identifier would own every candidate that ends in ".", "-" or "_".
    const auto add = [&identifiers](std::string_view text) {
        if (std::string lowered = Text::comparableName(text); !lowered.empty()) {
            identifiers.insert(std::move(lowered));
        }
    };
    for (const auto& entry : installed.entries()) {
        add(entry.app.bundleID);
        add(matchedName(Location::lastComponent(entry.app.url), false));
        for (const auto& identifier : entry.identity.entitlementIdentifiers) {
            add(identifier);
        }
        // What a login item or helper of an installed application keeps is that application's.
        for (const auto& nested : installed.nested(entry)) {
            add(nested.identifier);
        }
    }
    return identifiers;
}

// Whether the candidate is an installed identifier, or one joined to other text by ".", "-" or "_"
// (com.vendor.app.helper, group.com.vendor.app). Looking up the text on either side of each separator
// finds exactly the identifiers the candidate begins or ends with, without walking the whole set.
bool isOwned(std::string_view candidate, const IdentifierSet& installed) {
    if (installed.contains(candidate)) {
        return true;
    }
    for (auto at = candidate.find_first_of(separators); at != std::string_view::npos;
         at = candidate.find_first_of(separators, at + 1)) {
        if (installed.contains(candidate.substr(0, at)) || installed.contains(candidate.substr(at + 1))) {
            return true;
        }
    }
    return false;
}

std::vector<fs::path> scanRoots(const Platform& platform) {
    std::vector<fs::path> roots;
    for (const auto folder : userRoots) {
        roots.push_back(platform.home() / "Library" / folder);
    }
    for (const auto folder : systemRoots) {
        roots.push_back(platform.system(folder));
    }
    return roots;
}

// Compared in composed form, so that a name written decomposed sorts with its composed twin; the byte
// order of UTF-8 text is the order of its code points.
void sortByPath(std::vector<ResidualItem>& items) {
    std::vector<std::pair<std::string, ResidualItem>> keyed;
    keyed.reserve(items.size());
    for (auto& item : items) {
        keyed.emplace_back(Text::nfc(item.url.native()), std::move(item));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& left, const auto& right) { return left.first < right.first; });
    for (std::size_t index = 0; index < keyed.size(); ++index) {
        items[index] = std::move(keyed[index].second);
    }
}

} // namespace

std::optional<std::vector<ResidualItem>> scan(const InstalledIdentities& installed, const Platform& platform,
                                              const ScanControl& control) {
    const IdentifierSet identifiers = installedIdentifiers(installed);
    ScanTally tally(control);
    std::vector<ResidualItem> items;
    std::unordered_map<std::string, std::size_t> positionOfPath;
    for (const auto& root : scanRoots(platform)) {
        const auto entries = DirectoryWalker::children(root);
        if (!entries) {
            continue;
        }
        for (const auto& entry : *entries) {
            if (!tally.searched()) {
                return std::nullopt;
            }
            if (entry.name().starts_with('.') ||
                BundleIdentifier::isSystemName(Text::comparableName(entry.name()))) {
                continue;
            }
            const std::string candidate = baseName(entry.name(), entry.isDirectory);
            if (isOwned(candidate, identifiers) || candidate.find('.') == std::string::npos) {
                continue;
            }
            ResidualItem item{entry.location(),
                              0,
                              pathCategory(entry.location(), platform, PathCategoryUse::orphanScan),
                              MatchConfidence::possible,
                              std::string(reason),
                              false};
            // Roots that overlap (a home folder at "/") meet the same entry twice: the later one wins.
            if (const auto [position, added] = positionOfPath.try_emplace(entry.path, items.size()); added) {
                items.push_back(std::move(item));
            } else {
                items[position->second] = std::move(item);
            }
        }
        tally.found(items.size());
        if (tally.stopRequested()) {
            return std::nullopt;
        }
    }

    // Measured only once the findings are known, since a finding may be a large tree.
    if (!ResidualScanner::measureSizes(items, tally, control.stop)) {
        return std::nullopt;
    }
    sortByPath(items);
    return items;
}

std::vector<ResidualItem> scan(const InstalledIdentities& installed, const Platform& platform) {
    // Without a stop token nothing can cancel it.
    return scan(installed, platform, ScanControl{}).value();
}

std::vector<ResidualItem> scan(const std::vector<InstalledApp>& installedApps, const Platform& platform) {
    return scan(InstalledIdentities::read(installedApps), platform);
}

} // namespace tarnwick::OrphanScanner
