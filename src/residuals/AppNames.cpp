#include "residuals/AppNames.h"

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

// The bundle's file name without its extension ('Foo Bar' for /Applications/Foo Bar.app), standardising
// the path once: this is worked out for every application of a catalogue.
std::string bundleFileName(const InstalledApp& app) {
    std::string name = Location::lastComponent(app.url);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot != 0) {
        name.resize(dot);
    }
    return name;
}

std::string executableName(const InstalledApp& app) {
    if (app.executable) {
        return Location::lastComponent(*app.executable);
    }
    const auto bundle = Bundle::openInformation(app.url);
    const auto executable = bundle ? bundle->executable() : std::nullopt;
    return executable ? Location::lastComponent(*executable) : std::string();
}

// The key of the first of several words; words are what white space separates.
std::string firstWordKeyOf(std::string_view name) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const auto start = std::find_if_not(name.begin(), name.end(), isSpace);
    const auto end = std::find_if(start, name.end(), isSpace);
    if (std::find_if_not(end, name.end(), isSpace) == name.end()) {
        return {};
    }
    return Text::normalizedName(std::string_view(start, end));
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
    for (const std::string& name : {app.name, bundleFileName(app)}) {
        addOnce(result.names, Text::comparableName(name));
        addOnce(result.nameKeys, Text::normalizedName(name));
    }
    result.executable = Text::comparableName(executableName(app));
    result.firstWordKey = app.name.empty() ? std::string() : firstWordKeyOf(result.names.front());
    for (const auto& identifier : identity.entitlementIdentifiers) {
        addOnce(result.entitlementIdentifiers, Text::comparableName(identifier));
    }
    return result;
}

} // namespace tarnwick
