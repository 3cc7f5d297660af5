#include "residuals/AppEvidence.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/MatchThresholds.h"

#include <algorithm>
#include <map>

namespace tarnwick::ResidualScanner {

namespace {

// "com.example." for 'com.example.notes'; empty with fewer than two components.
std::string vendorPrefix(std::string_view bundleID) {
    const auto components = BundleIdentifier::components(Text::comparableName(bundleID));
    return components.size() < 2 ? std::string() : components[0] + "." + components[1] + ".";
}

// The name key of `name` without the words that are `vendor` ("Google Chrome" without "google":
// 'chrome'); empty when no such word was there or what remains is too short.
std::string nameWithout(std::string_view name, std::string_view vendor) {
    const std::string vendorKey = Text::normalizedName(vendor);
    std::string remaining;
    bool dropped = false;
    std::size_t start = 0;
    const std::string comparable = Text::comparableName(name);
    while (start <= comparable.size()) {
        const std::size_t end = std::min(comparable.find(' ', start), comparable.size());
        const std::string word =
            Text::normalizedName(std::string_view(comparable).substr(start, end - start));
        if (word == vendorKey) {
            dropped = true;
        } else {
            remaining += word;
        }
        start = end + 1;
    }
    return dropped && Text::characterCount(remaining) >= shortestNameKey ? remaining : std::string();
}

} // namespace

AppEvidence AppEvidence::gather(const InstalledApp& app, const AppIdentityReader::Identity& identity,
                                const InstalledIdentities& otherApps) {
    AppEvidence evidence;
    evidence.teamID = identity.teamID.value_or("");
    const std::string prefix = vendorPrefix(app.bundleID);

    // Who else is which program: the other applications and everything nested in them.
    std::map<std::string, std::string> otherPrograms;
    bool vendorShared = false;
    for (const auto& entry : otherApps.entries()) {
        if (entry.app.url.native() == app.url.native()) {
            continue;
        }
        const std::string otherID = Text::comparableName(entry.app.bundleID);
        if (!otherID.empty()) {
            otherPrograms.try_emplace(otherID, entry.app.name);
        }
        for (const auto& nested : entry.nested) {
            otherPrograms.try_emplace(Text::comparableName(nested.identifier), entry.app.name);
        }
        vendorShared = vendorShared || (!prefix.empty() && otherID.starts_with(prefix));
        if (evidence.teamMate.empty() && !evidence.teamID.empty() &&
            entry.identity.teamID == evidence.teamID) {
            evidence.teamMate = entry.app.name;
        }
    }

    for (const NestedBundle& nested : NestedBundle::readAll(app.url)) {
        const std::string comparable = Text::comparableName(nested.identifier);
        if (!standsForApp(nested.identifier, app) || evidence.helper(comparable) != nullptr) {
            continue;
        }
        Helper helper{nested.kind, nested.identifier};
        if (const auto other = otherPrograms.find(comparable); other != otherPrograms.end()) {
            helper.sharedWith = other->second;
        }
        // A privileged helper tool only runs for a client of its own team, so it is always the app's.
        if (nested.kind != NestedBundle::Kind::privilegedHelper &&
            (prefix.empty() || !comparable.starts_with(prefix))) {
            const auto teamID = AppIdentityReader::read(nested.location).teamID;
            helper.fromAnotherDeveloper = evidence.teamID.empty() || teamID != evidence.teamID;
        }
        evidence.helpers.push_back(std::move(helper));
    }

    const auto vendor = BundleIdentifier::vendorToken(app.bundleID);
    if (vendor && !BundleIdentifier::isApple(app.bundleID) &&
        Text::characterCount(*vendor) >= shortestVendorToken) {
        evidence.vendor = *vendor;
        evidence.vendorIsThisApps = !vendorShared;
        evidence.shortNameKey = nameWithout(app.name, *vendor);
    }
    for (std::string name :
         {Text::comparableName(app.name),
          Text::comparableName(Location::lastComponent(Location::withoutExtension(app.url)))}) {
        if (!name.empty() &&
            std::find(evidence.names.begin(), evidence.names.end(), name) == evidence.names.end()) {
            evidence.names.push_back(std::move(name));
        }
    }
    return evidence;
}

const AppEvidence::Helper* AppEvidence::helper(std::string_view comparable) const {
    const auto found = std::find_if(helpers.begin(), helpers.end(), [&](const Helper& helper) {
        return Text::comparableName(helper.identifier) == comparable;
    });
    return found == helpers.end() ? nullptr : &*found;
}

std::set<std::string> AppEvidence::helperIdentifiers() const {
    std::set<std::string> identifiers;
    for (const Helper& helper : helpers) {
        identifiers.insert(Text::comparableName(helper.identifier));
    }
    return identifiers;
}

} // namespace tarnwick::ResidualScanner
