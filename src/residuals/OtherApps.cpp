#include "residuals/OtherApps.h"

#include "platform/Text.h"

#include <algorithm>
#include <vector>

namespace tarnwick::ResidualScanner {

namespace {

bool isSeparator(char c) {
    return c == '.' || c == '-' || c == '_';
}

// Whether `visit` holds for a part of `name` an identifier could take it by under `rule`: the whole name,
// what comes before each separator, and, joined, what comes after it.
template <typename Visit> bool anyPart(std::string_view name, IdentifierRule rule, const Visit& visit) {
    if (visit(name)) {
        return true;
    }
    for (std::size_t index = 0; index < name.size(); ++index) {
        const bool separates = rule == IdentifierRule::dotted ? name[index] == '.' : isSeparator(name[index]);
        if (!separates) {
            continue;
        }
        if (index > 0 && visit(name.substr(0, index))) {
            return true;
        }
        if (rule == IdentifierRule::joined && index + 1 < name.size() && visit(name.substr(index + 1))) {
            return true;
        }
    }
    return false;
}

// Characters are never more than bytes: most parts are ruled out without counting them.
bool isLongerThan(std::string_view text, std::size_t characters) {
    return text.size() > characters && Text::characterCount(text) > characters;
}

bool isAtLeast(std::string_view text, std::size_t characters) {
    return text.size() >= characters && Text::characterCount(text) >= characters;
}

// Whether a part of `name` that `rule` looks at and that is `longEnough` is claimed `byBundle`, or else
// `byNested`, which is asked only when some part is long enough: the nested programs are read only then.
template <typename LongEnough, typename ByBundle, typename ByNested>
bool claimedPart(std::string_view name, IdentifierRule rule, const LongEnough& longEnough,
                 const ByBundle& byBundle, const ByNested& byNested) {
    std::vector<std::string_view> candidates;
    const bool claimed = anyPart(name, rule, [&](std::string_view part) {
        if (!longEnough(part)) {
            return false;
        }
        candidates.push_back(part);
        return byBundle(part);
    });
    return claimed || std::any_of(candidates.begin(), candidates.end(), byNested);
}

template <typename Container> bool holds(const Container& container, std::string_view key) {
    return container.contains(key);
}

std::string_view ownerOf(const std::unordered_map<std::string_view, std::string_view>& owners,
                         std::string_view key) {
    const auto found = owners.find(key);
    return found == owners.end() ? std::string_view() : found->second;
}

} // namespace

OtherApps::OtherApps(const InstalledIdentities& installed, const InstalledApp& app)
    : installed_(installed)
    , scannedURL_(app.url.native()) {
    const std::size_t count = installed.entries().size();
    for (Set* set : {&logIdentifiers_, &entitlementIdentifiers_, &names_, &nameKeys_, &firstWords_}) {
        set->reserve(2 * count);
    }
    for (Owners* owners : {&bundleIDs_, &calledOrRunAs_, &namespaces_, &teams_}) {
        owners->reserve(2 * count);
    }
    for (const auto& entry : installed.entries()) {
        if (entry.app.url.native() == scannedURL_) {
            continue;
        }
        const AppNames& names = entry.names;
        const std::string_view shown = entry.app.name;
        if (!names.bundleID.empty()) {
            bundleIDs_.try_emplace(names.bundleID, shown);
            namespaces_.try_emplace(names.vendorPrefix, shown);
        }
        if (!names.logIdentifier.empty()) {
            logIdentifiers_.insert(names.logIdentifier);
        }
        entitlementIdentifiers_.insert(names.entitlementIdentifiers.begin(),
                                       names.entitlementIdentifiers.end());
        for (const std::string& name : names.names) {
            names_.insert(name);
            calledOrRunAs_.try_emplace(name, shown);
        }
        if (!names.executable.empty()) {
            calledOrRunAs_.try_emplace(names.executable, shown);
        }
        nameKeys_.insert(names.nameKeys.begin(), names.nameKeys.end());
        if (!names.firstWordKey.empty()) {
            firstWords_.insert(names.firstWordKey);
        }
        if (entry.identity.teamID && !entry.identity.teamID->empty()) {
            teams_.try_emplace(*entry.identity.teamID, shown);
        }
    }
    namespaces_.erase("");
}

const OtherApps::Nested& OtherApps::nested() const {
    if (!nested_) {
        Nested read;
        for (const auto& entry : installed_.entries()) {
            if (entry.app.url.native() == scannedURL_) {
                continue;
            }
            for (const NestedBundle& program : installed_.nested(entry)) {
                std::string identifier = Text::comparableName(program.identifier);
                if (std::string log = logIdentifierOf(identifier); !log.empty()) {
                    read.logIdentifiers.insert(std::move(log));
                }
                read.identifiers.try_emplace(std::move(identifier), entry.app.name);
            }
        }
        nested_ = std::move(read);
    }
    return *nested_;
}

bool OtherApps::claimByIdentifier(std::string_view name, IdentifierRule rule, std::size_t longerThan) const {
    return claimedPart(
        name, rule, [longerThan](std::string_view part) { return isLongerThan(part, longerThan); },
        [this](std::string_view part) { return holds(bundleIDs_, part); },
        [this](std::string_view part) { return nested().identifiers.contains(std::string(part)); });
}

bool OtherApps::claimByLogIdentifier(std::string_view name, std::size_t atLeast) const {
    return claimedPart(
        name, IdentifierRule::leading, [atLeast](std::string_view part) { return isAtLeast(part, atLeast); },
        [this](std::string_view part) { return holds(logIdentifiers_, part); },
        [this](std::string_view part) { return nested().logIdentifiers.contains(std::string(part)); });
}

bool OtherApps::claimByAnyIdentifier(std::string_view name) const {
    return anyPart(name, IdentifierRule::joined,
                   [this](std::string_view part) {
                       return holds(bundleIDs_, part) || holds(entitlementIdentifiers_, part);
                   }) ||
           claimByIdentifier(name, IdentifierRule::joined, 0);
}

bool OtherApps::isAppName(std::string_view key) const {
    return holds(nameKeys_, key);
}

bool OtherApps::isFirstWord(std::string_view key) const {
    return holds(firstWords_, key);
}

bool OtherApps::claimByName(std::string_view name, std::size_t atLeast) const {
    const auto isOthers = [&](std::string_view part) {
        return part.size() >= atLeast && holds(names_, part);
    };
    if (isOthers(name)) {
        return true;
    }
    for (std::size_t index = 1; index < name.size(); ++index) {
        const char next = name[index];
        const bool follows = next == ' ' || isSeparator(next) || (next >= '0' && next <= '9');
        if (follows && isOthers(name.substr(0, index))) {
            return true;
        }
    }
    return false;
}

std::string_view OtherApps::calledOrRunAs(std::string_view name) const {
    return ownerOf(calledOrRunAs_, name);
}

std::string_view OtherApps::inNamespace(std::string_view vendorPrefix) const {
    return ownerOf(namespaces_, vendorPrefix);
}

std::string_view OtherApps::signedBy(std::string_view teamID) const {
    return ownerOf(teams_, teamID);
}

std::string_view OtherApps::carrying(std::string_view identifier) const {
    if (const std::string_view owner = ownerOf(bundleIDs_, identifier); !owner.empty()) {
        return owner;
    }
    const auto& programs = nested().identifiers;
    const auto found = programs.find(std::string(identifier));
    return found == programs.end() ? std::string_view() : found->second;
}

std::set<std::string>
OtherApps::sharedEntitlementIdentifiers(const AppIdentityReader::Identity& identity) const {
    std::set<std::string> shared;
    for (const auto& identifier : identity.entitlementIdentifiers) {
        if (std::string comparable = Text::comparableName(identifier);
            holds(entitlementIdentifiers_, comparable)) {
            shared.insert(std::move(comparable));
        }
    }
    return shared;
}

} // namespace tarnwick::ResidualScanner
