// Opens the window on a tree, offscreen, and lets it load and size every application with the real
// thread pool, as a user would see it: the list model, its filter, the rows' icons and painting included.
// Reports the longest the main thread was too busy to repaint and the peak memory. Budgets, not ratios:
// no standard tool does this work.

#include "BenchmarkCommand.h"
#include "EventLoopProbe.h"
#include "platform/Platform.h"
#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"
#include "ui/MainWindow.h"
#include "ui/Workspace.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <iostream>
#include <sys/resource.h>

namespace {

using namespace tarnwick;

// The benchmark never leaves the window; nothing reaches the desktop.
class QuietWorkspace final : public Workspace {
public:
    void reveal(const std::vector<std::filesystem::path>&) override {}
    bool openWebAddress(const QUrl&) override { return false; }
    void quit() override {}
};

struct LoadResult {
    double allSized = 0; // milliseconds
    double longestStretch = 0;
    double longestBusy = 0; // the main thread's processor time in its longest stretch
    std::size_t apps = 0;
};

LoadResult loadOnce(const std::filesystem::path& tree) {
    CleanerStore store(std::make_unique<SystemServices>(Platform::rooted(tree)),
                       std::make_unique<ExecutorRunner>());
    QuietWorkspace workspace;
    // Each load starts as a first start, and the user's own window settings are never touched.
    const QTemporaryDir settingsFolder;
    QSettings settings(settingsFolder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    MainWindow window(store, workspace, settings);
    window.resize(MainWindow::designedMinimum);
    LoadResult result;
    QElapsedTimer clock;
    const auto allSized = [&] {
        const auto& apps = store.appList().apps();
        return !store.appList().isLoading() && !apps.empty() &&
               std::all_of(apps.begin(), apps.end(),
                           [](const InstalledApp& app) { return app.size.has_value(); });
    };
    const auto finishWhenSized = [&] {
        if (allSized() && result.allSized == 0) {
            result.allSized = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            QApplication::quit();
        }
    };
    QObject::connect(&store.appList(), &AppListState::appsChanged, finishWhenSized);
    QObject::connect(&store.appList(), &AppListState::loadingChanged, finishWhenSized);

    bench::EventLoopProbe probe;
    clock.start();
    window.show(); // showing the window starts the load
    QApplication::exec();
    result.longestStretch = probe.longestStretch();
    result.longestBusy = probe.longestBusy();
    result.apps = store.appList().apps().size();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    bench::BenchmarkCommand command("Opens the window on a tree and lets every application load and size",
                                    {.output = {}, .apps = 1000, .files = 0, .signsApps = true});
    return command.run(argc, argv, [](const std::filesystem::path& tree, int runs) {
        loadOnce(tree); // warms the cache
        std::vector<LoadResult> results;
        for (int run = 0; run < runs; ++run) {
            results.push_back(loadOnce(tree));
        }
        std::vector<double> sized;
        double worst = 0;
        double worstBusy = 0;
        for (const LoadResult& result : results) {
            sized.push_back(result.allSized);
            worst = std::max(worst, result.longestStretch);
            worstBusy = std::max(worstBusy, result.longestBusy);
        }
        std::sort(sized.begin(), sized.end());
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::cout << results.front().apps << " applications in the window, " << runs << " loads\n"
                  << "  all sizes known             " << sized[sized.size() / 2] << " ms (median)\n"
                  << "  longest main-thread stretch " << worst << " ms, worst of all loads (budget 50 ms)\n"
                  << "  longest busy stretch        " << worstBusy
                  << " ms of main-thread processor time, whatever else the machine does\n"
                  << "  peak memory                 " << usage.ru_maxrss / 1024 << " MB (budget 200 MB)\n";
    });
}
