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
                         std::vector<std::string> otherBundleIDs, std::set<std::string> logIdentifiers)
    : identifiers_(std::move(identifiers))
    , bundleID_(std::move(bundleID))
    , otherBundleIDs_(std::move(otherBundleIDs))
    , logIdentifiers_(std::move(logIdentifiers))
    , isApple_(BundleIdentifier::isApple(bundleID_)) {
    identifiers_.erase("");
    logIdentifiers_.erase("");
    std::erase(otherBundleIDs_, "");
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
    bool matched = false;
    for (const auto& identifier : identifiers_) {
        if (matchesWholeOrJoined(name, identifier)) {
            if (owner(name, identifier, matchesIdentifier, otherBundleIDs_, false) == NameOwner::thisApp) {
                return NameOwner::thisApp;
            }
            matched = true;
        }
    }
    return matched ? NameOwner::otherApp : NameOwner::none;
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
