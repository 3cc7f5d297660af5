#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// What an application's files may be called after, in the forms names are compared in
// (Text::comparableName, and Text::normalizedName for keys). Worked out once per application, so that
// judging a name against a whole catalogue only compares text.
struct AppNames {
    std::string bundleID; // comparable; empty when the bundle declares none
    // The first two components of the bundle identifier and a dot ("com.vendor."): the developer's
    // namespace. Empty with fewer than two components.
    std::string vendorPrefix;
    // The last component of the bundle identifier, when it is long enough to name log files; else empty.
    std::string logIdentifier;
    std::vector<std::string> names;    // the display name and the bundle's file name, comparable, each once
    std::vector<std::string> nameKeys; // the keys of `names`, each once
    std::string executable;            // the main executable's file name, comparable; empty when unknown
    // The key of the first word of a display name of several words ('vendor' for "Vendor Live 10 Suite");
    // empty for a name of one word.
    std::string firstWordKey;
    std::vector<std::string> entitlementIdentifiers; // comparable, each once

    // Reads the bundle's information only when the record does not name its executable.
    static AppNames of(const InstalledApp& app, const AppIdentityReader::Identity& identity);

    bool operator==(const AppNames&) const = default;
};

// "com.vendor." for 'com.vendor.app' (comparable): the first two components and a dot, the developer's
// namespace; empty with fewer than two components.
std::string vendorPrefixOf(std::string_view bundleID);

// The last component of an identifier (comparable) when it is long enough to name log and crash-report
// files ('notes' of 'com.example.notes'); else empty.
std::string logIdentifierOf(std::string_view identifier);

} // namespace tarnwick
