#include "session/AppCatalogue.h"

#include "catalogue/AppRecord.h"
#include "catalogue/AppScanner.h"
#include "catalogue/FileUtilities.h"
#include "platform/Location.h"
#include "platform/ParallelFor.h"
#include "platform/Text.h"
#include "session/AppLookupError.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iterator>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

std::vector<InstalledApp> appsWhere(const std::vector<InstalledApp>& apps,
                                    const std::function<bool(const InstalledApp&)>& fits) {
    std::vector<InstalledApp> chosen;
    std::copy_if(apps.begin(), apps.end(), std::back_inserter(chosen), fits);
    return chosen;
}

InstalledApp findByPath(const std::vector<InstalledApp>& installed, const Platform& platform,
                        const std::string& query) {
    std::error_code error;
    const fs::path location = Location::standardized(fs::absolute(query, error));
    if (error || !fs::is_directory(location, error)) {
        throw AppLookupError(AppLookupError::Kind::noBundle, query);
    }
    if (!AppRecord::isApplicationName(Location::lastComponent(location))) {
        throw AppLookupError(AppLookupError::Kind::notAnApp, query);
    }
    const auto listed = std::find_if(installed.begin(), installed.end(),
                                     [&](const InstalledApp& app) { return app.url == location; });
    return listed != installed.end() ? *listed : AppRecord::handedOver(location, platform);
}

bool nameBefore(const InstalledApp& left, const InstalledApp& right) {
    return Text::localizedStandardCompare(left.name, right.name) < 0;
}

} // namespace

std::optional<std::vector<InstalledApp>> AppCatalogue::scan(const Platform& platform,
                                                            const ScanControl& control) {
    std::vector<InstalledApp> apps;
    const ScanOutcome outcome = AppScanner::scan(
        platform, [&](InstalledApp app) { apps.push_back(std::move(app)); }, control);
    if (outcome == ScanOutcome::cancelled) {
        return std::nullopt;
    }
    sortByName(apps);
    return apps;
}

void AppCatalogue::sortByName(std::vector<InstalledApp>& apps) {
    std::stable_sort(apps.begin(), apps.end(), nameBefore);
}

std::size_t AppCatalogue::placeInNameOrder(const std::vector<InstalledApp>& sorted, const InstalledApp& app) {
    return static_cast<std::size_t>(std::upper_bound(sorted.begin(), sorted.end(), app, nameBefore) -
                                    sorted.begin());
}

bool AppCatalogue::matchesSearch(const InstalledApp& app, const std::string& text) {
    return text.empty() || Text::localizedCaseInsensitiveContains(app.name, text) ||
           Text::localizedCaseInsensitiveContains(app.bundleID, text);
}

ScanOutcome AppCatalogue::measureSizes(std::vector<InstalledApp>& apps, const ScanControl& control) {
    ScanTally tally(control);
    tally.found(apps.size());
    tally.measuring(0, apps.size());
    // Kept aside until every one is known: a size cut short by a stop would pass for the real one.
    std::vector<std::int64_t> sizes(apps.size());
    parallelFor(
        apps.size(),
        [&](std::size_t index) { sizes[index] = FileUtilities::fileSize(apps[index].url, control.stop); },
        [&](std::size_t measured) { tally.measuring(measured, apps.size()); }, control.stop);
    if (tally.stopRequested()) {
        return ScanOutcome::cancelled;
    }
    for (std::size_t index = 0; index < apps.size(); ++index) {
        apps[index].size = sizes[index];
    }
    return ScanOutcome::completed;
}

std::optional<std::int64_t> AppCatalogue::measure(const InstalledApp& app, const std::stop_token& stop) {
    const std::int64_t size = FileUtilities::fileSize(app.url, stop);
    if (stop.stop_requested()) {
        return std::nullopt; // cut short: not the real size
    }
    return size;
}

InstalledApp AppCatalogue::find(const std::vector<InstalledApp>& installed, const Platform& platform,
                                const std::string& query) {
    if (query.find('/') != std::string::npos ||
        AppRecord::isApplicationName(Location::lastComponent(query))) {
        return findByPath(installed, platform, query);
    }
    const std::string wanted = Text::comparableName(query);
    const auto matches = appsWhere(installed, [&](const InstalledApp& app) {
        return Text::comparableName(app.name) == wanted ||
               (!app.bundleID.empty() && Text::comparableName(app.bundleID) == wanted);
    });
    if (matches.size() == 1) {
        return matches.front();
    }
    if (matches.size() > 1) {
        throw AppLookupError(AppLookupError::Kind::several, query, matches);
    }
    throw AppLookupError(AppLookupError::Kind::none, query,
                         appsWhere(installed, [&](const InstalledApp& app) {
                             return Text::localizedCaseInsensitiveContains(app.name, query) ||
                                    Text::localizedCaseInsensitiveContains(app.bundleID, query);
                         }));
}

} // namespace tarnwick
