#pragma once

#include "residuals/OtherApps.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::ResidualScanner {

// Whether a name equals `identifier`, or begins with it followed by ".", "-" or "_", or ends with one of
// those followed by it. Both as Text::comparableName gives them.
bool matchesIdentifier(std::string_view name, std::string_view identifier);

// Whether a name equals a log identifier or begins with it followed by ".", "-" or "_".
bool matchesLogIdentifier(std::string_view name, std::string_view identifier);

// Whether a last component equals a bundle identifier or begins with it and ".".
bool matchesBundleIdentifierPrefix(std::string_view component, std::string_view bundleID);

// Whom a matched name belongs to.
enum class NameOwner {
    none,     // not a match
    thisApp,  // a match for the scanned application
    otherApp, // a match, but another installed application, or macOS, claims it
};

// Matches names against the scanned application's identifiers; the one guard of whose a name is. A name
// is never this application's when:
// - it lies in the namespace macOS keeps ("com.apple.", "org.cups"...), unless the application is Apple's;
// - the same rule also accepts it for a longer bundle identifier (or log identifier at least as long) of
//   another installed application or of a program nested in one ('com.example.app.beta' when
//   'com.example.app.beta' is installed beside 'com.example.app');
// - it only begins or ends with an identifier too short to stand for one application ("go" in
//   "go-build"): such an identifier matches whole names only, and whole dot-components of names in the
//   developer's namespace ("dash" in 'com.kapeli.dash.helper' for com.kapeli.dashdoc).
// A name matched only by the application's name is never this application's when another installed
// application has the same name, or a longer one the name also begins with.
class NameMatcher {
public:
    // Every string as Text::comparableName gives it; empty ones are ignored. `logIdentifiers`: the names
    // the application's log and crash-report files begin with. `others` must outlive the matcher.
    NameMatcher(const std::set<std::string>& identifiers, std::string bundleID, const OtherApps& others,
                std::set<std::string> logIdentifiers = {});

    // The identifier match against the exact identifiers.
    NameOwner identifierMatch(std::string_view name) const;

    // The longest exact identifier by which `name` is this application's; empty when it is not.
    std::string_view identifierOwning(std::string_view name) const;

    // Whether a name key (Text::normalizedName) is also the key of another installed application's name.
    bool isAnotherAppsName(std::string_view key) const { return others_.isAppName(key); }

    // Whether `name` begins with `appName` (both comparable) followed by a space, a digit, "-" or "_"
    // ("skylume 10", "skylume_2023-05-18"): this application's unless the name is another application's,
    // in the namespace macOS keeps, or `appName` is shorter than a name key may be.
    NameOwner namePrefixMatch(std::string_view name, std::string_view appName) const;

    // The bundle identifier prefix match used inside the developer's folders.
    NameOwner bundleIdentifierPrefixMatch(std::string_view component) const;

    // The match of log and crash-report files against the log identifiers.
    NameOwner logIdentifierMatch(std::string_view name) const;

    // Whether `name` lies in the developer's namespace: it begins with the first two components of the
    // bundle identifier and a dot ("com.vendor."). Never for Apple's applications, whose namespace is
    // macOS's; another application's when one of its identifiers (of its bundle, of a program nested in
    // it, or declared by its signature) takes the name.
    NameOwner namespaceMatch(std::string_view name) const;

    // "com.vendor." of the bundle identifier; empty for fewer than two components or Apple's.
    const std::string& namespacePrefix() const { return namespace_; }

    const OtherApps& others() const { return others_; }
    const std::string& bundleID() const { return bundleID_; }

private:
    struct Identifier {
        std::string text;
        std::size_t length = 0; // in characters
    };

    bool takes(std::string_view name, const Identifier& identifier) const;
    // This application's unless macOS or another application takes the name by `rule` with an identifier
    // longer than `identifier`.
    NameOwner owner(std::string_view name, const Identifier& identifier, IdentifierRule rule) const;

    std::vector<Identifier> identifiers_;
    std::string bundleID_;
    std::vector<Identifier> logIdentifiers_;
    std::string namespace_;
    const OtherApps& others_;
    bool isApple_ = false;
};

} // namespace tarnwick::ResidualScanner
