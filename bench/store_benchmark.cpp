// Loads every application of a tree through the window's store, with the real thread pool, and reports
// what a user would feel: how soon the first application is listed, the longest the main thread was
// too busy to repaint, how long until every size is known, and the peak memory. Budgets, not ratios:
// there is no standard tool that does this work.

#include "BenchmarkCommand.h"
#include "EventLoopProbe.h"
#include "Measure.h"
#include "platform/Platform.h"
#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <iostream>
#include <sys/resource.h>

namespace {

using namespace tarnwick;

struct LoadResult {
    double firstRecord = 0; // milliseconds
    double allListed = 0;
    double allSized = 0;
    double longestStretch = 0;
    std::size_t apps = 0;
};

bool allSized(const CleanerStore& store) {
    const auto& apps = store.appList().apps();
    return std::all_of(apps.begin(), apps.end(),
                       [](const InstalledApp& app) { return app.size.has_value(); });
}

LoadResult loadOnce(const std::filesystem::path& tree) {
    CleanerStore store(std::make_unique<SystemServices>(Platform::rooted(tree)),
                       std::make_unique<ExecutorRunner>());
    bench::EventLoopProbe probe;
    QElapsedTimer clock;
    LoadResult result;
    const auto elapsed = [&] { return static_cast<double>(clock.nsecsElapsed()) / 1e6; };

    const AppListState& list = store.appList();
    QObject::connect(&list, &AppListState::appsChanged, [&] {
        if (result.firstRecord == 0 && !list.apps().empty()) {
            result.firstRecord = elapsed();
        }
        if (!list.isLoading() && allSized(store)) {
            result.allSized = elapsed();
            QCoreApplication::quit();
        }
    });
    QObject::connect(&list, &AppListState::loadingChanged, [&] {
        if (!list.isLoading()) {
            result.allListed = elapsed();
        }
    });
    clock.start();
    store.loadApps();
    QCoreApplication::exec();
    result.longestStretch = probe.longestStretch();
    result.apps = list.apps().size();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    bench::BenchmarkCommand command("Loads a tree's applications through the store",
                                    {.apps = 1000, .files = 0, .signsApps = true});
    return command.run(argc, argv, [](const std::filesystem::path& tree, int runs) {
        loadOnce(tree); // warms the cache
        std::vector<LoadResult> results;
        for (int run = 0; run < runs; ++run) {
            results.push_back(loadOnce(tree));
        }
        const auto median = [&](double LoadResult::*field) {
            std::vector<double> values;
            for (const LoadResult& result : results) {
                values.push_back(result.*field);
            }
            std::sort(values.begin(), values.end());
            return values[values.size() / 2];
        };
        const auto worst =
            std::max_element(results.begin(), results.end(), [](const auto& left, const auto& right) {
                return left.longestStretch < right.longestStretch;
            })->longestStretch;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::cout << results.front().apps << " applications, median of " << runs << " loads\n"
                  << "  first application listed  " << median(&LoadResult::firstRecord)
                  << " ms (budget 100 ms)\n"
                  << "  all listed                " << median(&LoadResult::allListed) << " ms\n"
                  << "  all sizes known           " << median(&LoadResult::allSized) << " ms\n"
                  << "  longest main-thread stretch " << worst << " ms, worst of all loads (budget 50 ms)\n"
                  << "  peak memory               " << usage.ru_maxrss / 1024 << " MB (budget 200 MB)\n";
    });
}
