#include "residuals/AppEvidence.h"

#include "catalogue/BundleIdentifier.h"
#include "platform/Text.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/MatchThresholds.h"

#include <algorithm>
#include <cctype>

namespace tarnwick::ResidualScanner {

namespace {

// The name key of `name` without the words that are `vendor` ("Google Chrome" without "google":
// 'chrome'); empty when no such word was there or what remains is too short.
std::string nameWithout(std::string_view name, std::string_view vendor) {
    const std::string vendorKey = Text::normalizedName(vendor);
    std::string remaining;
    bool dropped = false;
    std::size_t start = 0;
    const std::string comparable = Text::comparableName(name);
    while (start <= comparable.size()) {
        const std::size_t end = std::min(comparable.find(' ', start), comparable.size());
        const std::string word =
            Text::normalizedName(std::string_view(comparable).substr(start, end - start));
        if (word == vendorKey) {
            dropped = true;
        } else {
            remaining += word;
        }
        start = end + 1;
    }
    return dropped && Text::characterCount(remaining) >= shortestNameKey ? remaining : std::string();
}

// The words of an identifier's component as its developer wrote them: 'ProductPreview', 'product-preview'
// and 'product_preview2' all hold 'product' and 'preview'. Lowercased, long enough, not only digits.
std::vector<std::string> wordsOf(std::string_view component) {
    std::vector<std::string> words;
    std::string word;
    const auto finish = [&] {
        const bool onlyDigits = std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(c); });
        if (word.size() >= shortestIdentifierWord && !onlyDigits &&
            std::find(words.begin(), words.end(), word) == words.end()) {
            words.push_back(word);
        }
        word.clear();
    };
    for (std::size_t index = 0; index < component.size(); ++index) {
        const auto c = static_cast<unsigned char>(component[index]);
        if (!std::isalnum(c)) {
            finish();
            continue;
        }
        const auto previous = index == 0 ? 0 : static_cast<unsigned char>(component[index - 1]);
        const bool afterLowerCase = std::isupper(c) && std::islower(previous);
        const bool digitsBeginOrEnd =
            !word.empty() && (std::isdigit(c) != 0) != (std::isdigit(previous) != 0);
        if (afterLowerCase || digitsBeginOrEnd) {
            finish();
        }
        word.push_back(static_cast<char>(std::tolower(c)));
    }
    finish();
    return words;
}

} // namespace

AppEvidence AppEvidence::gather(const InstalledApp& app, const AppIdentityReader::Identity& identity,
                                const OtherApps& others) {
    AppEvidence evidence;
    evidence.names = AppNames::of(app, identity);
    evidence.teamID = identity.teamID.value_or("");
    if (!evidence.teamID.empty()) {
        evidence.teamMate = others.signedBy(evidence.teamID);
    }
    const std::string& prefix = evidence.names.vendorPrefix;

    for (const NestedBundle& nested : NestedBundle::readAll(app.url)) {
        const std::string comparable = Text::comparableName(nested.identifier);
        if (!standsForApp(nested.identifier, app) || evidence.helper(comparable) != nullptr) {
            continue;
        }
        Helper helper{nested.kind, nested.identifier};
        // A privileged helper tool only runs for a client of its own team, so it is always the app's.
        if (nested.kind != NestedBundle::Kind::privilegedHelper &&
            (prefix.empty() || !comparable.starts_with(prefix))) {
            const auto teamID = AppIdentityReader::read(nested.location).teamID;
            helper.fromAnotherDeveloper = evidence.teamID.empty() || teamID != evidence.teamID;
        }
        evidence.helpers.push_back(std::move(helper));
    }

    evidence.sharedNamespace = ResidualScanner::sharedNamespace(prefix);
    if (!prefix.empty()) {
        evidence.namespaceMate = others.inNamespace(prefix);
    }
    const auto vendor = BundleIdentifier::vendorToken(app.bundleID);
    if (vendor && !BundleIdentifier::isApple(app.bundleID) && evidence.sharedNamespace == nullptr &&
        Text::characterCount(*vendor) >= shortestVendorToken) {
        evidence.vendor = *vendor;
    }
    for (const std::string& developer : {evidence.vendor, evidence.names.firstWordKey}) {
        std::string key = developer.empty() ? std::string() : nameWithout(app.name, developer);
        if (!key.empty() &&
            std::find(evidence.namesWithoutDeveloper.begin(), evidence.namesWithoutDeveloper.end(), key) ==
                evidence.namesWithoutDeveloper.end()) {
            evidence.namesWithoutDeveloper.push_back(std::move(key));
        }
    }
    if (const auto components = BundleIdentifier::components(app.bundleID); components.size() >= 3) {
        evidence.identifierWords = wordsOf(components.back());
    }
    return evidence;
}

const AppEvidence::Helper* AppEvidence::helper(std::string_view comparable) const {
    const auto found = std::find_if(helpers.begin(), helpers.end(), [&](const Helper& helper) {
        return Text::comparableName(helper.identifier) == comparable;
    });
    return found == helpers.end() ? nullptr : &*found;
}

std::set<std::string> AppEvidence::helperIdentifiers() const {
    std::set<std::string> identifiers;
    for (const Helper& helper : helpers) {
        identifiers.insert(Text::comparableName(helper.identifier));
    }
    return identifiers;
}

} // namespace tarnwick::ResidualScanner
