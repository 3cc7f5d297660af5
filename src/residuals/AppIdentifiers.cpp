#include "residuals/AppIdentifiers.h"

#include "catalogue/Bundle.h"
#include "catalogue/BundleIdentifier.h"
#include "platform/DirectoryWalker.h"
#include "platform/Location.h"
#include "platform/Text.h"
#include "residuals/AppNames.h"

#include <algorithm>

namespace tarnwick::ResidualScanner {

namespace {

constexpr std::size_t maximumIdentifierLength = 255;

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string fileNameIdentifier(const InstalledApp& app) {
    return Location::lastComponent(Location::withoutExtension(app.url));
}

void insertLastComponent(std::string_view lowercasedIdentifier, std::set<std::string>& into) {
    if (std::string identifier = logIdentifierOf(lowercasedIdentifier); !identifier.empty()) {
        into.insert(std::move(identifier));
    }
}

} // namespace

bool standsForApp(std::string_view identifier, const InstalledApp& app) {
    return !BundleIdentifier::isSystemName(Text::comparableName(identifier)) ||
           BundleIdentifier::isApple(app.bundleID);
}

std::set<std::string> exactIdentifiers(const InstalledApp& app, const AppIdentityReader::Identity& identity) {
    std::set<std::string> identifiers;
    auto insert = [&](std::string_view identifier) {
        // Empty, ".", "-" or "_" would match every name that begins or ends with a separator (".DS_Store",
        // "__MACOSX"): an identifier without a letter or digit names nothing.
        if (!Text::normalizedName(identifier).empty() && standsForApp(identifier, app)) {
            identifiers.insert(Text::comparableName(identifier));
        }
    };
    insert(app.bundleID);
    insert(fileNameIdentifier(app));
    for (const auto& identifier : identity.entitlementIdentifiers) {
        // Application groups and containers are plain identifiers; anything else in a signature is not one.
        if (passesIdentifierFilter(identifier)) {
            insert(identifier);
        }
    }
    return identifiers;
}

std::set<std::string> applicationLogIdentifiers(const InstalledApp& app) {
    std::set<std::string> identifiers;
    const std::string bundleID = Text::comparableName(app.bundleID);
    insertLastComponent(bundleID, identifiers);

    const std::string vendorPrefix = vendorPrefixOf(bundleID);
    if (vendorPrefix.empty()) {
        return identifiers;
    }
    DirectoryWalker::walk(
        app.url / "Contents/Helpers", {.skipsHiddenEntries = true, .skipsPackageContents = true},
        [&](const DirectoryEntry& entry) {
            if (Text::lowercased(Location::extension(entry.path)) != "app") {
                return DirectoryWalker::Step::proceed;
            }
            if (const auto helper = Bundle::openInformation(entry.path)) {
                const std::string helperID = Text::comparableName(helper->identifier().value_or(""));
                if (helperID.starts_with(vendorPrefix)) {
                    insertLastComponent(helperID, identifiers);
                }
            }
            return DirectoryWalker::Step::skipDescendants;
        });
    return identifiers;
}

bool passesIdentifierFilter(std::string_view identifier) {
    // Checked by hand rather than with a regular expression, whose "$" would also accept a final line break.
    if (identifier.empty() || identifier.size() > maximumIdentifierLength ||
        identifier.find("..") != std::string_view::npos || !isAsciiAlphanumeric(identifier.front())) {
        return false;
    }
    return std::all_of(identifier.begin(), identifier.end(),
                       [](char c) { return isAsciiAlphanumeric(c) || c == '.' || c == '_' || c == '-'; });
}

std::vector<std::string> containerNames(const InstalledApp& app,
                                        const AppIdentityReader::Identity& identity) {
    std::vector<std::string> names;
    auto add = [&](std::string_view declared) {
        if (!standsForApp(declared, app)) {
            return;
        }
        for (std::string name : {std::string(declared), Text::lowercased(declared)}) {
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
                names.push_back(std::move(name));
            }
        }
    };
    add(app.bundleID);
    add(fileNameIdentifier(app));
    for (const auto& identifier : identity.entitlementIdentifiers) {
        add(identifier);
    }
    return names;
}

} // namespace tarnwick::ResidualScanner
