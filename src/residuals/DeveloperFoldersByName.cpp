#include "residuals/DeveloperFoldersByName.h"

#include "platform/DirectoryWalker.h"
#include "platform/Text.h"
#include "residuals/MatchThresholds.h"
#include "residuals/MatchedName.h"
#include "residuals/WiderReasons.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tarnwick::ResidualScanner {

namespace {

const std::string insideNote = " inside its developer's folder";

bool isLowerCaseLetter(char c) {
    // Any byte of a character beyond ASCII counts as a letter: "Vendoré" goes on after "vendor".
    return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}

bool isAsciiWord(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    });
}

// Whether `name` begins with `token` (ASCII, lowercased) in any letter case, followed by its end or by
// something that starts a new word: "VendorSoftware" and "Vendor Labs" begin with "vendor",
// "Vendorama" does not.
bool beginsWithWord(std::string_view name, std::string_view token) {
    if (name.size() < token.size()) {
        return false;
    }
    for (std::size_t index = 0; index < token.size(); ++index) {
        const char c = name[index];
        const char lowered = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lowered != token[index]) {
            return false;
        }
    }
    return name.size() == token.size() || !isLowerCaseLetter(name[token.size()]);
}

// Whether `key` is `stem` followed by the digits of a version ('productpreview20231').
bool isVersionOf(std::string_view key, std::string_view stem) {
    return !stem.empty() && key.size() > stem.size() && key.starts_with(stem) &&
           std::all_of(key.begin() + static_cast<std::ptrdiff_t>(stem.size()), key.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// What names the application inside its developer's folders.
struct ChildNames {
    std::vector<std::string> full;  // the application's name keys, and its name without the developer's
    std::vector<std::string> words; // the words of the identifier's last component
};

ChildNames childNames(const AppEvidence& evidence) {
    ChildNames names;
    for (const std::string& key : evidence.names.nameKeys) {
        if (Text::characterCount(key) >= shortestNameKey) {
            names.full.push_back(key);
        }
    }
    names.full.insert(names.full.end(), evidence.namesWithoutDeveloper.begin(),
                      evidence.namesWithoutDeveloper.end());
    names.words = evidence.identifierWords;
    return names;
}

// The reason a child of a developer's folder named `key` is the application's, if it is: exact for its
// name, possible for the rest.
std::optional<Verdict> childVerdict(std::string_view key, const ChildNames& names) {
    const auto is = [key](const std::string& name) { return key == name; };
    const auto versioned = [key](const std::string& name) { return isVersionOf(key, name); };
    if (std::any_of(names.full.begin(), names.full.end(), is)) {
        return Verdict{MatchConfidence::exact, true, "Named after the app" + insideNote};
    }
    if (std::any_of(names.full.begin(), names.full.end(), versioned) ||
        std::any_of(names.words.begin(), names.words.end(), versioned)) {
        return Verdict{MatchConfidence::possible, false,
                       "Named after the app and a version" + insideNote + std::string(reviewNote)};
    }
    if (const auto word = std::find_if(names.words.begin(), names.words.end(), is);
        word != names.words.end()) {
        return Verdict{MatchConfidence::possible, false,
                       "Named after \u201C" + *word + "\u201D of its identifier" + insideNote +
                           std::string(reviewNote)};
    }
    return std::nullopt;
}

void addNamedChildren(const DirectoryEntry& folder, const LibraryLocation& location, const NameMatcher& wide,
                      const ChildNames& names, ResidualFindings& found) {
    const auto children = DirectoryWalker::children(folder.path);
    if (!children) {
        return;
    }
    for (const auto& child : *children) {
        if (child.isSymbolicLink) {
            continue;
        }
        const std::string name = Text::comparableName(matchedName(child.name(), child.isDirectory));
        const std::string key = Text::normalizedName(name);
        const auto verdict = childVerdict(key, names);
        // Another application's by name or identifier is not this one's by any of these rules.
        if (!verdict || wide.isAnotherAppsName(key) || wide.identifierMatch(name) == NameOwner::otherApp) {
            continue;
        }
        found.add(child.location(), location.category, verdict->confidence, verdict->reason,
                  verdict->selectable && !location.systemWide);
    }
}

bool holdsDeveloperFolders(const LibraryLocation& location) {
    using enum ResidualCategory;
    return !location.holdsCrashReports && (location.category == support || location.category == cache ||
                                           location.category == preferences || location.category == logs);
}

} // namespace

void addDeveloperFoldersByName(const std::vector<LibraryListing>& listings, const NameMatcher& wide,
                               const AppEvidence& evidence, const InstalledApp& app,
                               ResidualFindings& found) {
    const std::string vendor = Text::lowercased(evidence.vendor);
    const std::string vendorKey = Text::normalizedName(vendor);
    const bool vendorLeads = isAsciiWord(vendor);
    // The first word stands for the developer only when no other installed application begins with it.
    const std::string& firstWord = evidence.names.firstWordKey;
    const bool firstWordNames = Text::characterCount(firstWord) >= shortestVendorToken &&
                                !wide.isAnotherAppsName(firstWord) && !wide.others().isFirstWord(firstWord);
    if (vendorKey.empty() && !firstWordNames) {
        return;
    }
    const ChildNames names = childNames(evidence);
    for (const auto& [location, children, childNamesOfListing] : listings) {
        if (!holdsDeveloperFolders(location)) {
            continue;
        }
        for (std::size_t index = 0; index < children.size(); ++index) {
            const DirectoryEntry& child = children[index];
            if (!child.isDirectory) {
                continue;
            }
            const std::string& name = childNamesOfListing[index];
            // A key is never longer than the name: most names are ruled out by their length alone.
            const auto mayBe = [&name](const std::string& key) {
                return !key.empty() && name.size() >= key.size() && name.size() <= 2 * key.size();
            };
            const bool byVendor =
                !vendorKey.empty() && ((vendorLeads && beginsWithWord(child.name(), vendor)) ||
                                       (mayBe(vendorKey) && Text::normalizedName(name) == vendorKey));
            const bool byFirstWord =
                !byVendor && firstWordNames && mayBe(firstWord) && Text::normalizedName(name) == firstWord;
            if (!byVendor && !byFirstWord) {
                continue;
            }
            const std::string key = Text::normalizedName(name);
            if (wide.isAnotherAppsName(key) || wide.identifierMatch(name) == NameOwner::otherApp) {
                continue;
            }
            if (evidence.isDevelopersOnlyApp()) {
                found.add(child.location(), location.category, MatchConfidence::possible,
                          byVendor ? developerReason(app)
                                   : "Named after the first word of the app's name, " + app.name +
                                         std::string(reviewNote),
                          false);
            }
            addNamedChildren(child, location, wide, names, found);
        }
    }
}

} // namespace tarnwick::ResidualScanner
