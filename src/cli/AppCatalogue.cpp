#include "AppCatalogue.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "AppScanner.h"
#include "FileUtilities.h"
#include "Text.h"

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
    // Sizes are dominated by metadata reads, which overlap well: use more threads than cores.
    const std::size_t workerCount =
        std::clamp<std::size_t>(std::thread::hardware_concurrency() * 2, 2, 16);
    std::atomic<std::size_t> nextIndex{0};
    std::atomic<std::size_t> measured{0};
    {
        std::vector<std::jthread> workers;
        for (std::size_t worker = 0; worker < std::min(workerCount, apps.size()); ++worker) {
            workers.emplace_back([&] {
                for (std::size_t index = nextIndex++; index < apps.size(); index = nextIndex++) {
                    apps[index].size = FileUtilities::fileSize(apps[index].url);
                    ++measured;
                }
            });
        }
        while (measured.load() < apps.size()) {
            progress.show("Measuring applications\u2026 " + std::to_string(measured.load()) + " of " +
                          std::to_string(apps.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    progress.clear();
}

} // namespace tarnwick
