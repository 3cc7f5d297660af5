#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"
#include "catalogue/NestedBundle.h"
#include "residuals/AppNames.h"
#include "residuals/OtherApps.h"
#include "residuals/SharedNamespaces.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::ResidualScanner {

// What ties files to an application beyond its own identifiers and name (its nested programs, its
// signing team, its developer), and which of it the other installed applications share.
struct AppEvidence {
    struct Helper {
        NestedBundle::Kind kind = NestedBundle::Kind::helperApp;
        std::string identifier; // as declared
        // Neither of the application's vendor nor signed by its team: a component from elsewhere.
        bool fromAnotherDeveloper = false;
    };

    AppNames names;
    std::string teamID;   // empty for an application without a team
    std::string teamMate; // another installed application signed by the same team; empty when none
    std::vector<Helper> helpers;
    // The developer's namespace is one many developers use ("com.github."): null when it is its own.
    const SharedNamespace* sharedNamespace = nullptr;
    // Another installed application in the developer's namespace; empty when none is.
    std::string namespaceMate;
    // The vendor token of the bundle identifier when folders may be named after it: long enough, not
    // Apple's, not of a shared namespace. Else empty.
    std::string vendor;
    // The name keys of the display name without the developer's word: without the vendor token ('chrome'
    // for "Google Chrome" of com.google.Chrome) and without its first word ('live10suite' for "Vendor
    // Live 10 Suite"), each when it is long enough to stand for the application.
    std::vector<std::string> namesWithoutDeveloper;
    // The keys of the words of the bundle identifier's last component long enough to name the application
    // inside its developer's folders ('product' and 'preview' of com.vendor.ProductPreview).
    std::vector<std::string> identifierWords;

    // Reads the programs nested in `app`.
    static AppEvidence gather(const InstalledApp& app, const AppIdentityReader::Identity& identity,
                              const OtherApps& others);

    // Whether no other installed application is in the developer's namespace: then the developer's
    // folders hold nothing but this application's.
    bool isDevelopersOnlyApp() const { return !vendor.empty() && namespaceMate.empty(); }

    // The helper whose identifier is `comparable` (Text::comparableName), if any.
    const Helper* helper(std::string_view comparable) const;

    // The helpers' identifiers, comparable.
    std::set<std::string> helperIdentifiers() const;
};

} // namespace tarnwick::ResidualScanner
