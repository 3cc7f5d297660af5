#include "catalogue/AppIdentityReader.h"

#include "catalogue/Bundle.h"
#include "formats/DerEntitlements.h"
#include "formats/MachOSignatureReader.h"
#include "formats/PlistValue.h"
#include "formats/PropertyList.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tarnwick::AppIdentityReader {
namespace {

constexpr std::array<std::string_view, 3> containerEntitlements{
    "com.apple.security.application-groups",
    "com.apple.developer.icloud-container-identifiers",
    "com.apple.developer.ubiquity-container-identifiers",
};

// iOS apps running on a Mac carry the first key, Mac apps the second.
constexpr std::array<std::string_view, 2> applicationIdentifierEntitlements{
    "application-identifier",
    "com.apple.application-identifier",
};

// XML first; the DER form for signatures that carry only that, or whose XML is unreadable.
PlistValue::Dictionary entitlementsOf(const MachOSignatureReader::Signature& signature) {
    if (signature.xmlEntitlements) {
        if (auto parsed = PropertyList::parse(*signature.xmlEntitlements)) {
            if (const auto* dictionary = parsed->asDictionary()) {
                return *dictionary;
            }
        }
    }
    if (signature.derEntitlements) {
        if (auto decoded = DerEntitlements::decode(*signature.derEntitlements)) {
            return std::move(*decoded);
        }
    }
    return {};
}

void insertStrings(const PlistValue::Dictionary& entitlements, std::string_view key,
                   std::set<std::string>& into) {
    const auto found = entitlements.find(key);
    const auto* array = found == entitlements.end() ? nullptr : found->second.asArray();
    if (array == nullptr || !std::all_of(array->begin(), array->end(),
                                         [](const PlistValue& v) { return v.asString() != nullptr; })) {
        return;
    }
    for (const PlistValue& element : *array) {
        into.insert(*element.asString());
    }
}

void insertApplicationIdentifier(const PlistValue::Dictionary& entitlements, std::string_view key,
                                 const std::optional<std::string>& teamID, std::set<std::string>& into) {
    const auto identifier = stringValue(entitlements, key);
    if (!identifier) {
        return;
    }
    into.insert(*identifier);
    if (teamID && identifier->size() > teamID->size() && identifier->starts_with(*teamID) &&
        (*identifier)[teamID->size()] == '.') {
        into.insert(identifier->substr(teamID->size() + 1));
    }
}

} // namespace

Identity readExecutable(const std::filesystem::path& executable) {
    const auto signature = MachOSignatureReader::read(executable);
    if (!signature) {
        return {};
    }
    Identity identity{signature->teamID, {}};
    const PlistValue::Dictionary entitlements = entitlementsOf(*signature);
    for (const std::string_view key : containerEntitlements) {
        insertStrings(entitlements, key, identity.entitlementIdentifiers);
    }
    for (const std::string_view key : applicationIdentifierEntitlements) {
        insertApplicationIdentifier(entitlements, key, identity.teamID, identity.entitlementIdentifiers);
    }
    return identity;
}

Identity read(const std::filesystem::path& bundle) {
    const auto opened = Bundle::openInformation(bundle);
    const auto executable = opened ? opened->executable() : std::nullopt;
    return executable ? readExecutable(*executable) : Identity{};
}

Identity read(const InstalledApp& app) {
    if (!app.executable) {
        return read(app.url);
    }
    return app.executable->empty() ? Identity{} : readExecutable(*app.executable);
}

} // namespace tarnwick::AppIdentityReader
