#include "residuals/NameMatcher.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/Text.h"
#include "residuals/AppNames.h"
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

// Whether `component` is one of the dot-separated components of `text`.
bool hasComponent(std::string_view text, std::string_view component) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        if (text.substr(start, end - start) == component) {
            return true;
        }
        start = end + 1;
    }
    return false;
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

NameMatcher::NameMatcher(const std::set<std::string>& identifiers, std::string bundleID,
                         const OtherApps& others, std::set<std::string> logIdentifiers)
    : bundleID_(std::move(bundleID))
    , others_(others)
    , isApple_(BundleIdentifier::isApple(bundleID_)) {
    for (const std::string& identifier : identifiers) {
        if (!identifier.empty()) {
            identifiers_.push_back({identifier, Text::characterCount(identifier)});
        }
    }
    for (const std::string& identifier : logIdentifiers) {
        if (!identifier.empty()) {
            logIdentifiers_.push_back({identifier, Text::characterCount(identifier)});
        }
    }
    if (!isApple_) {
        namespace_ = vendorPrefixOf(bundleID_);
    }
}

// An identifier of fewer characters than a name key names too many things to be found inside others,
// but inside the developer's own namespace a whole component is still the application's.
bool NameMatcher::takes(std::string_view name, const Identifier& identifier) const {
    if (identifier.length >= shortestNameKey) {
        return matchesIdentifier(name, identifier.text);
    }
    return name == identifier.text || (!namespace_.empty() && name.starts_with(namespace_) &&
                                       hasComponent(name.substr(namespace_.size()), identifier.text));
}

NameOwner NameMatcher::owner(std::string_view name, const Identifier& identifier, IdentifierRule rule) const {
    if (!isApple_ && BundleIdentifier::isSystemName(name)) {
        return NameOwner::otherApp;
    }
    return others_.claimByIdentifier(name, rule, identifier.length) ? NameOwner::otherApp
                                                                    : NameOwner::thisApp;
}

NameOwner NameMatcher::identifierMatch(std::string_view name) const {
    if (!identifierOwning(name).empty()) {
        return NameOwner::thisApp;
    }
    return std::any_of(identifiers_.begin(), identifiers_.end(),
                       [&](const Identifier& identifier) { return takes(name, identifier); })
               ? NameOwner::otherApp
               : NameOwner::none;
}

std::string_view NameMatcher::identifierOwning(std::string_view name) const {
    // The longest is the most telling: 'com.example.notes.helper' rather than 'com.example.notes'.
    std::string_view owning;
    for (const Identifier& identifier : identifiers_) {
        if (identifier.text.size() > owning.size() && takes(name, identifier) &&
            owner(name, identifier, IdentifierRule::joined) == NameOwner::thisApp) {
            owning = identifier.text;
        }
    }
    return owning;
}

NameOwner NameMatcher::namePrefixMatch(std::string_view name, std::string_view appName) const {
    const auto next = name.size() > appName.size() && name.starts_with(appName) ? name[appName.size()] : '\0';
    const bool followsName = next == ' ' || next == '-' || next == '_' || (next >= '0' && next <= '9');
    if (!followsName || Text::characterCount(Text::normalizedName(appName)) < shortestNameKey) {
        return NameOwner::none;
    }
    if (!isApple_ && BundleIdentifier::isSystemName(name)) {
        return NameOwner::otherApp;
    }
    // "Skylume Classic 2" is the name of Skylume Classic's files when that is installed too, "Skylume 2"
    // no one's for sure when another application is called Skylume as well.
    return others_.claimByName(name, appName.size()) ? NameOwner::otherApp : NameOwner::thisApp;
}

NameOwner NameMatcher::bundleIdentifierPrefixMatch(std::string_view component) const {
    if (!matchesBundleIdentifierPrefix(component, bundleID_)) {
        return NameOwner::none;
    }
    if (!isApple_ && BundleIdentifier::isSystemName(component)) {
        return NameOwner::otherApp;
    }
    return others_.claimByIdentifier(component, IdentifierRule::dotted, Text::characterCount(bundleID_))
               ? NameOwner::otherApp
               : NameOwner::thisApp;
}

NameOwner NameMatcher::logIdentifierMatch(std::string_view name) const {
    bool matched = false;
    for (const Identifier& identifier : logIdentifiers_) {
        if (!matchesLogIdentifier(name, identifier.text)) {
            continue;
        }
        // Another application whose logs are named the same way makes the name no one's for sure.
        if ((isApple_ || !BundleIdentifier::isSystemName(name)) &&
            !others_.claimByLogIdentifier(name, identifier.length)) {
            return NameOwner::thisApp;
        }
        matched = true;
    }
    return matched ? NameOwner::otherApp : NameOwner::none;
}

NameOwner NameMatcher::namespaceMatch(std::string_view name) const {
    if (namespace_.empty() || name.size() <= namespace_.size() || !name.starts_with(namespace_)) {
        return NameOwner::none;
    }
    // An identifier such as 'com.apple' puts a third-party application's namespace on macOS's own.
    return BundleIdentifier::isSystemName(name) || others_.claimByAnyIdentifier(name) ? NameOwner::otherApp
                                                                                      : NameOwner::thisApp;
}

} // namespace tarnwick::ResidualScanner
