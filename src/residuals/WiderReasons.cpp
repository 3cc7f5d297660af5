#include "residuals/WiderReasons.h"

namespace tarnwick::ResidualScanner {

std::string developerReason(const InstalledApp& app) {
    return "Named after the developer in " + app.bundleID + std::string(reviewNote);
}

std::optional<Verdict> namespaceVerdict(std::string_view name, const NameMatcher& wide,
                                        const AppEvidence& evidence, std::string_view place) {
    if (wide.namespaceMatch(name) != NameOwner::thisApp) {
        return std::nullopt;
    }
    const std::string_view prefix = wide.namespacePrefix();
    const std::string shown(prefix.substr(0, prefix.size() - 1)); // "com.vendor"
    const std::string lead = place.empty() ? "Same " : std::string(place) + " the same ";
    if (evidence.sharedNamespace != nullptr) {
        return Verdict{MatchConfidence::possible, false,
                       lead + "namespace (" + shown + "), " + std::string(evidence.sharedNamespace->whose) +
                           std::string(reviewNote)};
    }
    std::string reason = lead + "developer (" + shown + ")";
    if (!evidence.namespaceMate.empty()) {
        return Verdict{MatchConfidence::possible, false,
                       reason + " as " + evidence.namespaceMate + ", also installed" +
                           std::string(reviewNote)};
    }
    return Verdict{MatchConfidence::verified, true, std::move(reason)};
}

} // namespace tarnwick::ResidualScanner
