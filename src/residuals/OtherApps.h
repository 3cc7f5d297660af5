#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"
#include "residuals/InstalledIdentities.h"

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tarnwick::ResidualScanner {

// How an identifier takes a name.
enum class IdentifierRule {
    joined,  // the name is the identifier, or begins or ends with it, joined by ".", "-" or "_"
    leading, // the name is the identifier, or begins with it, joined by ".", "-" or "_"
    dotted,  // the name is the identifier, or begins with it and "."
};

// The installed applications other than the scanned one, as every rule asks about them before it takes a
// name: whose identifiers, names, executables, namespaces and teams are whose. Built for one scan from
// what the catalogue worked out once, with views into `installed`, which must outlive it. The programs
// nested in the other applications are read only when a name is about to be taken that no bundle
// identifier claims and one of theirs could.
class OtherApps {
public:
    OtherApps(const InstalledIdentities& installed, const InstalledApp& app);

    // Whether the bundle identifier of another application, or of a program nested in one, of more than
    // `longerThan` characters takes `name` (comparable) by `rule`.
    bool claimByIdentifier(std::string_view name, IdentifierRule rule, std::size_t longerThan) const;

    // Whether the log identifier of another application or nested program (logIdentifierOf), of at least
    // `atLeast` characters, leads `name`.
    bool claimByLogIdentifier(std::string_view name, std::size_t atLeast) const;

    // Whether any identifier of another application takes `name` by the joined rule: its bundle
    // identifier, those of the programs nested in it or those its signature declares.
    bool claimByAnyIdentifier(std::string_view name) const;

    // Whether `key` (Text::normalizedName) is the key of another application's display or file name.
    bool isAppName(std::string_view key) const;

    // Whether `key` is the key of the first word of another application's display name.
    bool isFirstWord(std::string_view key) const;

    // Whether `name` (comparable) is another application's display or file name of at least `atLeast`
    // bytes, or begins with one followed by a space, a digit, ".", "-" or "_".
    bool claimByName(std::string_view name, std::size_t atLeast) const;

    // The display name of another application whose display name, bundle file name or executable is
    // `name` (all comparable); empty when none is.
    std::string_view calledOrRunAs(std::string_view name) const;

    // The display name of another application in the namespace `vendorPrefix` ("com.vendor."); empty when
    // none is.
    std::string_view inNamespace(std::string_view vendorPrefix) const;

    // The display name of another application signed by `teamID`; empty when none is.
    std::string_view signedBy(std::string_view teamID) const;

    // The display name of another application that is the program `identifier` (comparable) or carries
    // it; empty when none does.
    std::string_view carrying(std::string_view identifier) const;

    // The identifiers `identity` declares (comparable) that another application's signature declares too.
    std::set<std::string> sharedEntitlementIdentifiers(const AppIdentityReader::Identity& identity) const;

private:
    using Set = std::unordered_set<std::string_view>;
    using Owners = std::unordered_map<std::string_view, std::string_view>; // name -> display name

    // What the programs nested in the other applications are called.
    struct Nested {
        std::unordered_map<std::string, std::string_view> identifiers; // comparable -> display name
        std::unordered_set<std::string> logIdentifiers;
    };
    const Nested& nested() const;

    const InstalledIdentities& installed_;
    std::string scannedURL_;
    Owners bundleIDs_;
    Set logIdentifiers_;
    Set entitlementIdentifiers_;
    Set names_;
    Set nameKeys_;
    Set firstWords_;
    Owners calledOrRunAs_;
    Owners namespaces_;
    Owners teams_;
    mutable std::optional<Nested> nested_; // read on first need; a scan runs on one thread
};

} // namespace tarnwick::ResidualScanner
