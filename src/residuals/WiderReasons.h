#pragma once

#include "catalogue/InstalledApp.h"
#include "residuals/AppEvidence.h"
#include "residuals/MatchConfidence.h"
#include "residuals/NameMatcher.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::ResidualScanner {

// Ends the reason of every finding a user should look at before removing it.
inline constexpr std::string_view reviewNote = " \u2014 review before removal";

// How sure a finding of the wider search can be, and what its reason says.
struct Verdict {
    MatchConfidence confidence;
    bool selectable; // preselected where the place allows it
    std::string reason;
};

// "Named after the developer in com.vendor.app — review before removal".
std::string developerReason(const InstalledApp& app);

// What a name in the developer's namespace ("com.vendor.") is to the application: verified with the
// reason "Same developer (com.vendor)", and preselected where the place allows, while the namespace is
// the developer's own and no other installed application is in it; else possible, with why. Nothing when
// the name lies outside the namespace or another application's identifier takes it. `place` starts the
// reason in places known by what they hold ("Cookies of" gives "Cookies of the same developer (...)").
std::optional<Verdict> namespaceVerdict(std::string_view name, const NameMatcher& wide,
                                        const AppEvidence& evidence, std::string_view place = {});

} // namespace tarnwick::ResidualScanner
