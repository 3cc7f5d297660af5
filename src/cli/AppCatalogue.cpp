#include "cli/AppCatalogue.h"

#include "catalogue/AppScanner.h"
#include "catalogue/DroppedApp.h"
#include "catalogue/FileUtilities.h"
#include "cli/CommandContext.h"
#include "platform/Location.h"
#include "platform/ParallelFor.h"
#include "platform/Text.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <stdexcept>

namespace tarnwick {

std::vector<InstalledApp> AppCatalogue::scan(const Platform& platform, ProgressLine& progress) {
    std::vector<InstalledApp> apps;
    AppScanner::scan(platform, [&](InstalledApp app) {
        apps.push_back(std::move(app));
        progress.show("Finding applications\u2026 " + std::to_string(apps.size()) + " found");
    });
    progress.clear();
    sortByName(apps);
    return apps;
}

std::vector<InstalledApp> AppCatalogue::load(const Platform& platform, ProgressLine& progress) {
    std::vector<InstalledApp> apps = scan(platform, progress);
    measureSizes(apps, progress);
    return apps;
}

void AppCatalogue::sortByName(std::vector<InstalledApp>& apps) {
    std::stable_sort(apps.begin(), apps.end(), [](const InstalledApp& left, const InstalledApp& right) {
        return Text::localizedStandardCompare(left.name, right.name) < 0;
    });
}

void AppCatalogue::measureSizes(std::vector<InstalledApp>& apps, ProgressLine& progress) {
    parallelFor(
        apps.size(), [&](std::size_t index) { apps[index].size = FileUtilities::fileSize(apps[index].url); },
        [&](std::size_t measured) {
            progress.show("Measuring applications\u2026 " + std::to_string(measured) + " of " +
                          std::to_string(apps.size()));
        });
    progress.clear();
}

InstalledApp AppCatalogue::find(const std::vector<InstalledApp>& installed, const Platform& platform,
                                const std::string& query) {
    namespace fs = std::filesystem;
    if (query.find('/') != std::string::npos || DroppedApp::isApplicationLocation(query)) {
        std::error_code error;
        const fs::path location = Location::standardized(fs::absolute(query, error));
        if (error || !fs::is_directory(location, error)) {
            throw UsageError("There is no application bundle at \"" + query + "\".");
        }
        if (!DroppedApp::isApplicationLocation(location)) {
            throw UsageError("\"" + query + "\" is not a macOS .app application bundle.");
        }
        const auto listed = std::find_if(installed.begin(), installed.end(),
                                         [&](const InstalledApp& app) { return app.url == location; });
        return listed != installed.end() ? *listed : DroppedApp::makeRecord(location, platform);
    }

    const std::string wanted = Text::lowercased(query);
    std::vector<InstalledApp> matches;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(matches),
                 [&](const InstalledApp& app) {
                     return Text::lowercased(app.name) == wanted ||
                            (!app.bundleID.empty() && Text::lowercased(app.bundleID) == wanted);
                 });
    if (matches.size() == 1) {
        return matches.front();
    }
    auto candidates = [](const std::vector<InstalledApp>& apps) {
        std::string lines;
        for (const auto& app : apps) {
            lines += "\n  " + app.name + "  (" + app.url.string() + ")";
        }
        return lines;
    };
    if (matches.size() > 1) {
        throw UsageError("Several applications fit \"" + query +
                         "\"; pass the path of the one you mean:" + candidates(matches));
    }
    std::vector<InstalledApp> similar;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(similar),
                 [&](const InstalledApp& app) {
                     return Text::localizedCaseInsensitiveContains(app.name, query) ||
                            Text::localizedCaseInsensitiveContains(app.bundleID, query);
                 });
    if (similar.empty()) {
        throw UsageError("No installed application is named or identified as \"" + query +
                         "\". Run 'tarnwick-cli apps' to see them, or pass the path of an .app bundle.");
    }
    throw UsageError("No installed application is named or identified as \"" + query +
                     "\". Did you mean:" + candidates(similar));
}

} // namespace tarnwick
