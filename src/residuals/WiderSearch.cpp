#include "residuals/WiderSearch.h"

#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/PathResolver.h"
#include "platform/Text.h"
#include "residuals/MatchedName.h"
#include "residuals/WiderReasons.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace tarnwick::ResidualScanner {

namespace fs = std::filesystem;

namespace {

std::string_view kindName(NestedBundle::Kind kind) {
    switch (kind) {
    case NestedBundle::Kind::helperApp:
        return "Helper app";
    case NestedBundle::Kind::loginItem:
        return "Login item";
    case NestedBundle::Kind::xpcService:
        return "XPC service";
    case NestedBundle::Kind::appExtension:
        return "App extension";
    case NestedBundle::Kind::privilegedHelper:
        return "Privileged helper";
    }
    return "Helper";
}

// Whether another installed application is the helper or carries it too, or it comes from another
// developer: then its files are not surely the application's.
std::string_view sharedWith(const AppEvidence::Helper& helper, const OtherApps& others) {
    return others.carrying(Text::comparableName(helper.identifier));
}

bool isDoubtful(const AppEvidence::Helper& helper, const OtherApps& others) {
    return helper.fromAnotherDeveloper || !sharedWith(helper, others).empty();
}

// "Helper app com.vendor.app.helper", and why it may not be the application's alone.
std::string helperReason(const AppEvidence::Helper& helper, const OtherApps& others) {
    std::string reason = std::string(kindName(helper.kind)) + " " + helper.identifier;
    if (const std::string_view other = sharedWith(helper, others); !other.empty()) {
        reason += ", also part of " + std::string(other) + std::string(reviewNote);
    } else if (helper.fromAnotherDeveloper) {
        reason += " from another developer" + std::string(reviewNote);
    }
    return reason;
}

// What a name owned by `identifier` tells in a place described by `place` ("Cookies of"): the place
// and the program, or the helper's doubt when it has one.
Verdict placeVerdict(std::string_view identifier, std::string_view place, const AppEvidence& evidence,
                     const OtherApps& others) {
    const AppEvidence::Helper* helper = evidence.helper(identifier);
    if (helper != nullptr && isDoubtful(*helper, others)) {
        return {MatchConfidence::possible, false, helperReason(*helper, others)};
    }
    std::string program(identifier);
    if (helper != nullptr) {
        // "login item com.vendor.app.launcher"; "XPC service" keeps its capitals.
        std::string kind(kindName(helper->kind));
        if (kind.size() > 1 && std::islower(static_cast<unsigned char>(kind[1]))) {
            kind[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(kind[0])));
        }
        program = kind + " " + helper->identifier;
    }
    return {MatchConfidence::exact, true, std::string(place) + " " + program};
}

bool isDotted(std::string_view identifier) {
    return identifier.find('.') != std::string_view::npos;
}

// The identifier by which a name in a place known only by identifier is the application's. A name taken
// from the bundle's file name ("cookies") would claim the files every program shares there.
std::string_view dottedIdentifierOwning(const NameMatcher& wide, std::string_view name) {
    const std::string_view identifier = wide.identifierOwning(name);
    return isDotted(identifier) ? identifier : std::string_view();
}

std::string withoutPrefix(std::string_view name, std::string_view prefix) {
    return name.size() > prefix.size() && name.starts_with(prefix) ? std::string(name.substr(prefix.size()))
                                                                   : std::string();
}

// Whether a name begins like '<team>.', with a team identifier: ten capital letters and digits.
bool hasTeamPrefix(std::string_view declared) {
    constexpr std::size_t teamLength = 10;
    return declared.size() > teamLength && declared[teamLength] == '.' &&
           std::all_of(declared.begin(), declared.begin() + teamLength,
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

} // namespace

void widenLibrarySweep(const std::vector<LibraryListing>& listings, const NameMatcher& wide,
                       const AppEvidence& evidence, const InstalledApp& app, ResidualFindings& found) {
    for (const auto& [location, children, names] : listings) {
        for (std::size_t index = 0; index < children.size(); ++index) {
            const DirectoryEntry& child = children[index];
            const std::string& name = names[index];
            if (const std::string_view identifier = wide.identifierOwning(name); !identifier.empty()) {
                // Named by the application's own identifier, the sweep has judged it already.
                if (const AppEvidence::Helper* helper = evidence.helper(identifier)) {
                    const bool doubtful = isDoubtful(*helper, wide.others());
                    found.add(child.location(), location.category,
                              doubtful ? MatchConfidence::possible : MatchConfidence::exact,
                              helperReason(*helper, wide.others()), !doubtful && !location.systemWide);
                }
                continue;
            }
            if (const auto verdict = namespaceVerdict(name, wide, evidence)) {
                found.add(child.location(), location.category, verdict->confidence, verdict->reason,
                          verdict->selectable && !location.systemWide);
                continue;
            }
            for (const std::string& appName : evidence.names.names) {
                // Another application's by identifier is not this one's by the looser rule; asked only of
                // the few names it would take.
                if (wide.namePrefixMatch(name, appName) == NameOwner::thisApp &&
                    wide.identifierMatch(name) != NameOwner::otherApp) {
                    found.add(child.location(), location.category, MatchConfidence::possible,
                              "Name begins with the app's name, " + app.name + std::string(reviewNote),
                              false);
                    break;
                }
            }
        }
    }
}

void addPrefixedContainers(const InstalledApp& app, const fs::path& userLibrary, const NameMatcher& wide,
                           const AppEvidence& evidence, ResidualFindings& found) {
    const std::array<std::pair<fs::path, ResidualCategory>, 3> folders{{
        {userLibrary / "Containers", ResidualCategory::container},
        {userLibrary / "Group Containers", ResidualCategory::container},
        {userLibrary / "Application Scripts", ResidualCategory::applicationScripts},
    }};
    const std::string teamPrefix = evidence.teamID.empty() ? "" : Text::comparableName(evidence.teamID) + ".";
    // The team vouches for what its prefix names only while no other installed application is its.
    const bool teamIsThisApps = !evidence.teamID.empty() && evidence.teamMate.empty();
    const std::string teamMateNote =
        evidence.teamMate.empty() ? "" : ", which also signs " + evidence.teamMate + std::string(reviewNote);
    const std::string& vendorPrefix = evidence.names.vendorPrefix;

    for (const auto& place : folders) {
        // Named, not bound: clang before 16 cannot capture a structured binding in a lambda.
        const auto& folder = place.first;
        const auto category = place.second;
        const auto children = DirectoryWalker::children(folder);
        if (!children) {
            continue;
        }
        for (const auto& child : *children) {
            if (!child.isDirectory) {
                continue;
            }
            // As for the containers looked up by name: one the user may not read is not proposed.
            const auto add = [&](MatchConfidence confidence, const std::string& reason, bool selected) {
                if (access(child.path.c_str(), R_OK) == 0) {
                    found.add(child.location(), category, confidence, reason, selected);
                }
            };
            const std::string name = Text::comparableName(child.name());
            const std::string afterTeam = teamPrefix.empty() ? "" : withoutPrefix(name, teamPrefix);
            // Another team's prefix says the folder is another developer's, whatever follows it.
            if (afterTeam.empty() && hasTeamPrefix(child.name())) {
                continue;
            }
            const std::string afterGroup = withoutPrefix(name, "group.");
            const std::string& rest = !afterTeam.empty() ? afterTeam : afterGroup;
            const std::string_view identifier = wide.identifierOwning(rest.empty() ? name : rest);
            if (identifier.empty()) {
                // 'group.com.vendor', shared by the developer's applications, of which this is the only one.
                if (!rest.empty() && evidence.isDevelopersOnlyApp() &&
                    rest == std::string_view(vendorPrefix).substr(0, vendorPrefix.size() - 1)) {
                    add(MatchConfidence::possible, developerReason(app), false);
                } else if (const auto verdict =
                               namespaceVerdict(rest.empty() ? name : rest, wide, evidence)) {
                    add(verdict->confidence, verdict->reason, verdict->selectable);
                }
                continue;
            }
            const AppEvidence::Helper* helper = evidence.helper(identifier);
            if (helper != nullptr && isDoubtful(*helper, wide.others())) {
                add(MatchConfidence::possible, helperReason(*helper, wide.others()), false);
            } else if (!afterTeam.empty()) {
                add(MatchConfidence::verified,
                    "Signed by the same developer team (" + evidence.teamID + ")" + teamMateNote,
                    teamIsThisApps);
            } else if (!afterGroup.empty()) {
                // Only the team that registered an app group can make its container: without a team the
                // name is all there is.
                const std::string note = evidence.teamID.empty() ? std::string(reviewNote) : teamMateNote;
                found.add(child.location(), category,
                          evidence.teamID.empty() ? MatchConfidence::possible : MatchConfidence::verified,
                          "App group named after " + std::string(identifier) + note, teamIsThisApps);
            } else if (helper != nullptr) {
                add(MatchConfidence::exact, helperReason(*helper, wide.others()), true);
            } else {
                add(MatchConfidence::exact, "Container named after " + std::string(identifier), true);
            }
        }
    }
}

void addIdentifierPlaces(const fs::path& userLibrary, const Platform& platform, const NameMatcher& wide,
                         const AppEvidence& evidence, ResidualFindings& found) {
    struct Place {
        fs::path folder;
        std::vector<std::string_view> extensions; // lowercased; none: any entry
        ResidualCategory category;
        std::string_view description;
        bool preselects;
    };
    const Place places[] = {
        {userLibrary / "Cookies", {"binarycookies"}, ResidualCategory::web, "Cookies of", true},
        {userLibrary / "Preferences" / "ByHost",
         {"plist"},
         ResidualCategory::preferences,
         "Preferences for this Mac of",
         true},
        // Documents the user never saved are the user's own work.
        {userLibrary / "Autosave Information", {}, ResidualCategory::userData, "Unsaved documents of", false},
        // The system's record of what an installer put where: kept unless the user asks.
        {platform.system("/private/var/db/receipts"),
         {"bom", "plist"},
         ResidualCategory::application,
         "Installer receipt of",
         false},
    };
    for (const Place& place : places) {
        const auto children = DirectoryWalker::children(place.folder);
        if (!children) {
            continue;
        }
        for (const auto& child : *children) {
            const std::string extension = Text::lowercased(Location::extension(child.path));
            if (!place.extensions.empty() && std::find(place.extensions.begin(), place.extensions.end(),
                                                       extension) == place.extensions.end()) {
                continue;
            }
            const std::string name = Text::comparableName(matchedName(child.name(), child.isDirectory));
            const std::string_view identifier = dottedIdentifierOwning(wide, name);
            std::optional<Verdict> verdict;
            if (!identifier.empty()) {
                verdict = placeVerdict(identifier, place.description, evidence, wide.others());
            } else {
                verdict = namespaceVerdict(name, wide, evidence, place.description);
            }
            if (!verdict) {
                continue;
            }
            // A reason that asks for no review yet gets one where nothing is preselected.
            if (!place.preselects && verdict->selectable) {
                verdict->reason += reviewNote;
            }
            found.add(child.location(), place.category, verdict->confidence, verdict->reason,
                      verdict->selectable && place.preselects);
        }
    }
}

void addCommandLineLinks(const InstalledApp& app, const Platform& platform, ResidualFindings& found) {
    PathResolver resolver;
    const fs::path bundle = resolver.resolved(Location::standardized(app.url));
    for (const fs::path& folder : {platform.system("/usr/local/bin"), platform.system("/opt/homebrew/bin"),
                                   platform.home() / ".local/bin"}) {
        const auto children = DirectoryWalker::children(folder);
        if (!children) {
            continue;
        }
        for (const auto& child : *children) {
            if (!child.isSymbolicLink) {
                continue;
            }
            const fs::path target = resolver.resolved(child.location());
            if (!Location::contains(bundle, target, Location::Containment::orSame)) {
                continue;
            }
            const fs::path inside = target.lexically_relative(bundle);
            const std::string shown = inside == "." ? "the app" : inside.string() + " in the app";
            found.add(child.location(), ResidualCategory::application, MatchConfidence::exact,
                      "Command-line link to " + shown, true);
        }
    }
}

} // namespace tarnwick::ResidualScanner
