#pragma once

#include "catalogue/InstalledApp.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace tarnwick {

// The code-signing identity of an application: its team and the identifiers its entitlements declare
// (application groups, cloud containers, its application identifier), read from the signature embedded
// in the bundle's main executable.
namespace AppIdentityReader {

struct Identity {
    std::optional<std::string> teamID{};
    std::set<std::string> entitlementIdentifiers{};
    bool operator==(const Identity&) const = default;
};

// The identity of the application bundle at `bundle`. An unsigned, unreadable or malformed application
// has the empty identity; nothing is thrown or reported.
Identity read(const std::filesystem::path& bundle);

// The identity in the signature of the executable at `executable`.
Identity readExecutable(const std::filesystem::path& executable);

// The same for the application of a record: only its executable is read when the record names it.
Identity read(const InstalledApp& app);

} // namespace AppIdentityReader
} // namespace tarnwick
