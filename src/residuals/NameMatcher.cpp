#include "residuals/NameMatcher.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/Text.h"
#include "residuals/MatchThresholds.h"

#include <algorithm>

namespace tarnwick::ResidualScanner {

namespace {

bool isSeparator(char c) {
    return c == '.' || c == '-' || c == '_';
}

bool beginsWithFollowedBySeparator(std::string_view name, std::string_view identifier) {
    return name.size() > identifier.size() && name.starts_with(identifier) &&
           isSeparator(name[identifier.size()]);
}

// An identifier of fewer characters than a name key names too many things to be found inside others.
bool matchesWholeOrJoined(std::string_view name, std::string_view identifier) {
    if (Text::characterCount(identifier) < shortestNameKey) {
        return name == identifier;
    }
    return matchesIdentifier(name, identifier);
}

// The last component of a bundle identifier, when it is long enough to name log files.
std::string logIdentifierOf(std::string_view bundleID) {
    const auto components = BundleIdentifier::components(bundleID);
    if (components.empty() || Text::characterCount(components.back()) < shortestLogIdentifier) {
        return {};
    }
    return components.back();
}

} // namespace

bool matchesIdentifier(std::string_view name, std::string_view identifier) {
    if (identifier.empty()) {
        return false;
    }
    return name == identifier || beginsWithFollowedBySeparator(name, identifier) ||
           (name.size() > identifier.size() && name.ends_with(identifier) &&
            isSeparator(name[name.size() - identifier.size() - 1]));
}

bool matchesLogIdentifier(std::string_view name, std::string_view identifier) {
    return !identifier.empty() && (name == identifier || beginsWithFollowedBySeparator(name, identifier));
}

bool matchesBundleIdentifierPrefix(std::string_view component, std::string_view bundleID) {
    return !bundleID.empty() &&
           (component == bundleID || (component.size() > bundleID.size() && component.starts_with(bundleID) &&
                                      component[bundleID.size()] == '.'));
}

NameMatcher::NameMatcher(std::set<std::string> identifiers, std::string bundleID,
                         std::vector<std::string> otherBundleIDs, std::set<std::string> logIdentifiers,
                         std::vector<std::string> otherNames)
    : identifiers_(std::move(identifiers))
    , bundleID_(std::move(bundleID))
    , otherBundleIDs_(std::move(otherBundleIDs))
    , logIdentifiers_(std::move(logIdentifiers))
    , otherNames_(std::move(otherNames))
    , isApple_(BundleIdentifier::isApple(bundleID_)) {
    identifiers_.erase("");
    logIdentifiers_.erase("");
    std::erase(otherBundleIDs_, "");
    std::erase(otherNames_, "");
    for (const std::string& name : otherNames_) {
        if (std::string key = Text::normalizedName(name); !key.empty()) {
            otherNameKeys_.insert(std::move(key));
        }
    }
    for (const std::string& other : otherBundleIDs_) {
        if (std::string identifier = logIdentifierOf(other); !identifier.empty()) {
            otherLogIdentifiers_.push_back(std::move(identifier));
        }
    }
}

NameOwner NameMatcher::owner(std::string_view name, std::string_view identifier, Rule rule,
                             const std::vector<std::string>& others, bool othersMayBeAsLong) const {
    if (!isApple_ && BundleIdentifier::isSystemName(name)) {
        return NameOwner::otherApp;
    }
    const std::size_t length = Text::characterCount(identifier);
    const bool claimed = std::any_of(others.begin(), others.end(), [&](const std::string& other) {
        const std::size_t otherLength = Text::characterCount(other);
        return (otherLength > length || (othersMayBeAsLong && otherLength == length)) && rule(name, other);
    });
    return claimed ? NameOwner::otherApp : NameOwner::thisApp;
}

NameOwner NameMatcher::identifierMatch(std::string_view name) const {
    if (!identifierOwning(name).empty()) {
        return NameOwner::thisApp;
    }
    return std::any_of(identifiers_.begin(), identifiers_.end(),
                       [&](const std::string& identifier) { return matchesWholeOrJoined(name, identifier); })
               ? NameOwner::otherApp
               : NameOwner::none;
}

std::string_view NameMatcher::identifierOwning(std::string_view name) const {
    // The longest is the most telling: 'com.example.notes.helper' rather than 'com.example.notes'.
    std::string_view owning;
    for (const auto& identifier : identifiers_) {
        if (identifier.size() > owning.size() && matchesWholeOrJoined(name, identifier) &&
            owner(name, identifier, matchesIdentifier, otherBundleIDs_, false) == NameOwner::thisApp) {
            owning = identifier;
        }
    }
    return owning;
}

bool NameMatcher::isAnotherAppsName(std::string_view key) const {
    return otherNameKeys_.contains(key);
}

NameOwner NameMatcher::namePrefixMatch(std::string_view name, std::string_view appName) const {
    const auto followsName = [&name](std::string_view prefix) {
        if (name.size() <= prefix.size() || !name.starts_with(prefix)) {
            return false;
        }
        const char next = name[prefix.size()];
        return next == ' ' || next == '-' || next == '_' || (next >= '0' && next <= '9');
    };
    if (!followsName(appName) || Text::characterCount(Text::normalizedName(appName)) < shortestNameKey) {
        return NameOwner::none;
    }
    if (!isApple_ && BundleIdentifier::isSystemName(name)) {
        return NameOwner::otherApp;
    }
    // "Skylume Classic 2" is the name of Skylume Classic's files when that is installed too, "Skylume 2"
    // no one's for sure when another application is called Skylume as well.
    const bool claimed = std::any_of(otherNames_.begin(), otherNames_.end(), [&](const std::string& other) {
        return other.size() >= appName.size() &&
               (name == other || followsName(other) || beginsWithFollowedBySeparator(name, other));
    });
    return claimed ? NameOwner::otherApp : NameOwner::thisApp;
}

NameOwner NameMatcher::bundleIdentifierPrefixMatch(std::string_view component) const {
    if (!matchesBundleIdentifierPrefix(component, bundleID_)) {
        return NameOwner::none;
    }
    return owner(component, bundleID_, matchesBundleIdentifierPrefix, otherBundleIDs_, false);
}

NameOwner NameMatcher::logIdentifierMatch(std::string_view name) const {
    bool matched = false;
    for (const auto& identifier : logIdentifiers_) {
        if (matchesLogIdentifier(name, identifier)) {
            // Another application whose logs are named the same way makes the name no one's for sure.
            if (owner(name, identifier, matchesLogIdentifier, otherLogIdentifiers_, true) ==
                NameOwner::thisApp) {
                return NameOwner::thisApp;
            }
            matched = true;
        }
    }
    return matched ? NameOwner::otherApp : NameOwner::none;
}

} // namespace tarnwick::ResidualScanner
