#include "AppCatalogue.h"

#include "AppScanner.h"
#include "FileUtilities.h"
#include "Location.h"
#include "ParallelFor.h"
#include "Text.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace tarnwick {

std::vector<InstalledApp> AppCatalogue::load(const Platform& platform, ProgressLine& progress) {
    std::vector<InstalledApp> apps;
    AppScanner::scan(platform, [&](InstalledApp app) {
        apps.push_back(std::move(app));
        progress.show("Finding applications\u2026 " + std::to_string(apps.size()) + " found");
    });
    sortByName(apps);
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

InstalledApp AppCatalogue::find(const Platform& platform, const std::string& query) {
    namespace fs = std::filesystem;
    const bool looksLikePath =
        query.find('/') != std::string::npos || Text::lowercased(query).ends_with(".app");
    if (looksLikePath) {
        std::error_code error;
        const fs::path location = Location::standardized(fs::absolute(query, error));
        if (error || !fs::is_directory(location, error)) {
            throw std::runtime_error("There is no application bundle at \"" + query + "\".");
        }
        const bool isSystem = FileUtilities::isDescendant(location, platform.system("/System/Applications"));
        return AppScanner::makeRecord(location, isSystem, platform);
    }
    const std::string wanted = Text::lowercased(query);
    std::vector<InstalledApp> matches;
    AppScanner::scan(platform, [&](InstalledApp app) {
        if (Text::lowercased(app.name) == wanted ||
            (!app.bundleID.empty() && Text::lowercased(app.bundleID) == wanted)) {
            matches.push_back(std::move(app));
        }
    });
    if (matches.empty()) {
        throw std::runtime_error(
            "No installed application is named or identified as \"" + query +
            "\". Run 'tarnwick-cli apps' to see them, or pass the path of an .app bundle.");
    }
    if (matches.size() > 1) {
        std::string paths;
        for (const auto& app : matches) {
            paths += "\n  " + app.url.string();
        }
        throw std::runtime_error("Several applications fit \"" + query +
                                 "\"; pass the path of the one you mean:" + paths);
    }
    return matches.front();
}

} // namespace tarnwick
