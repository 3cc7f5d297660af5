#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::ResidualScanner {

// Whether a lowercased name equals `identifier`, or begins with it followed by ".", "-" or "_", or ends
// with one of those followed by it.
bool matchesIdentifier(std::string_view name, std::string_view identifier);

// Whether a lowercased name equals a log identifier or begins with it followed by ".", "-" or "_".
bool matchesLogIdentifier(std::string_view name, std::string_view identifier);

// Whether a lowercased last component equals a lowercased bundle identifier or begins with it and ".".
bool matchesBundleIdentifierPrefix(std::string_view component, std::string_view bundleID);

// Whom a matched name belongs to.
enum class NameOwner {
    none,     // not a match
    thisApp,  // a match for the scanned application
    otherApp, // a match, but another installed application claims it more specifically
};

// Matches names against the scanned application's identifiers, knowing the bundle identifiers of the
// other installed applications. A name accepted for identifier I that the same rule also accepts for the
// longer bundle identifier J of another application is that application's ('com.example.app.beta' when
// 'com.example.app.beta' is installed beside 'com.example.app'): data of another installed app is never
// this app's.
class NameMatcher {
public:
    // All strings lowercased; empty ones are ignored.
    NameMatcher(std::set<std::string> identifiers, std::string bundleID,
                std::vector<std::string> otherBundleIDs = {});

    // The identifier match against the exact identifiers.
    NameOwner identifierMatch(std::string_view name) const;

    // The bundle identifier prefix match used inside the developer's folders.
    NameOwner bundleIdentifierPrefixMatch(std::string_view component) const;

    const std::set<std::string>& identifiers() const { return identifiers_; }
    const std::string& bundleID() const { return bundleID_; }

private:
    using Rule = bool (*)(std::string_view, std::string_view);
    bool claimedByOtherApp(std::string_view name, std::string_view identifier, Rule rule) const;

    std::set<std::string> identifiers_;
    std::string bundleID_;
    std::vector<std::string> otherBundleIDs_;
};

} // namespace tarnwick::ResidualScanner
