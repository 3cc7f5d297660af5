#include "residuals/NameMatcher.h"

#include "platform/Text.h"

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
                         std::vector<std::string> otherBundleIDs)
    : identifiers_(std::move(identifiers))
    , bundleID_(std::move(bundleID))
    , otherBundleIDs_(std::move(otherBundleIDs)) {
    identifiers_.erase("");
    std::erase(otherBundleIDs_, "");
}

NameOwner NameMatcher::identifierMatch(std::string_view name) const {
    bool matched = false;
    for (const auto& identifier : identifiers_) {
        if (matchesIdentifier(name, identifier)) {
            if (!claimedByOtherApp(name, identifier, matchesIdentifier)) {
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
    return claimedByOtherApp(component, bundleID_, matchesBundleIdentifierPrefix) ? NameOwner::otherApp
                                                                                  : NameOwner::thisApp;
}

bool NameMatcher::claimedByOtherApp(std::string_view name, std::string_view identifier, Rule rule) const {
    const std::size_t length = Text::characterCount(identifier);
    return std::any_of(otherBundleIDs_.begin(), otherBundleIDs_.end(), [&](const std::string& other) {
        return Text::characterCount(other) > length && rule(name, other);
    });
}

} // namespace tarnwick::ResidualScanner
