#include "residuals/AppNames.h"

#include "catalogue/AppNameKeys.h"
#include "catalogue/Bundle.h"
#include "catalogue/BundleIdentifier.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "residuals/MatchThresholds.h"

#include <algorithm>

namespace tarnwick {

namespace {

void addOnce(std::vector<std::string>& into, std::string text) {
    if (!text.empty() && std::find(into.begin(), into.end(), text) == into.end()) {
        into.push_back(std::move(text));
    }
}

std::string executableName(const InstalledApp& app) {
    if (app.executable) {
        return Location::lastComponent(*app.executable);
    }
    const auto bundle = Bundle::openInformation(app.url);
    const auto executable = bundle ? bundle->executable() : std::nullopt;
    return executable ? Location::lastComponent(*executable) : std::string();
}

} // namespace

std::string vendorPrefixOf(std::string_view bundleID) {
    const auto components = BundleIdentifier::components(bundleID);
    return components.size() < 2 ? std::string() : components[0] + "." + components[1] + ".";
}

std::string logIdentifierOf(std::string_view identifier) {
    const auto components = BundleIdentifier::components(identifier);
    if (components.empty() ||
        Text::characterCount(components.back()) < ResidualScanner::shortestLogIdentifier) {
        return {};
    }
    return components.back();
}

AppNames AppNames::of(const InstalledApp& app, const AppIdentityReader::Identity& identity) {
    AppNames result;
    result.bundleID = Text::comparableName(app.bundleID);
    result.vendorPrefix = vendorPrefixOf(result.bundleID);
    result.logIdentifier = logIdentifierOf(result.bundleID);
    for (const std::string& name : {app.name, AppNameKeys::bundleFileName(app)}) {
        addOnce(result.names, Text::comparableName(name));
        addOnce(result.nameKeys, Text::normalizedName(name));
    }
    result.executable = Text::comparableName(executableName(app));
    result.firstWordKey = app.name.empty() ? std::string() : AppNameKeys::firstWordKey(result.names.front());
    for (const auto& identifier : identity.entitlementIdentifiers) {
        addOnce(result.entitlementIdentifiers, Text::comparableName(identifier));
    }
    return result;
}

} // namespace tarnwick
