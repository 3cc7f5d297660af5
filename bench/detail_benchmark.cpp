// The application detail with ten thousand findings: how long the main thread is held at once while the
// list is built, painted, scrolled, chosen, filtered and collapsed offscreen, and while a folder of thirty
// thousand files opens, and the most memory held.

#include "EventLoopProbe.h"
#include "removal/TrashManager.h"
#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"
#include "ui/ApplicationDetailView.h"
#include "ui/FindingsFilter.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/IconCache.h"
#include "ui/SearchField.h"
#include "ui/Workspace.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using namespace tarnwick;

constexpr int findingCount = 10'000;
constexpr int largeFolderFiles = 30'000;

// How long the main thread was held at once, in milliseconds: on the wall clock, and in its own processor
// time, which other programs on a busy machine do not lengthen.
struct Stretch {
    double wall = 0;
    double busy = 0;

    Stretch& atLeast(const Stretch& other) {
        wall = std::max(wall, other.wall);
        busy = std::max(busy, other.busy);
        return *this;
    }
};

// Times every event the main thread handles: the longest one is the longest stretch the window could not
// answer the user.
class TimingApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        QElapsedTimer timer;
        timer.start();
        const double busy = bench::threadMilliseconds();
        const bool handled = QApplication::notify(receiver, event);
        longest_ = std::max(longest_, timer.nsecsElapsed() / 1e6);
        longestBusy_ = std::max(longestBusy_, bench::threadMilliseconds() - busy);
        --depth_;
        return handled;
    }

    // The longest stretch since the last call, and the most processor time one event took.
    Stretch takeLongest() { return {std::exchange(longest_, 0.0), std::exchange(longestBusy_, 0.0)}; }

private:
    int depth_ = 0;
    double longest_ = 0;
    double longestBusy_ = 0;
};

class Findings final : public LeftoverSearch {
public:
    explicit Findings(fs::path library)
        : library_(std::move(library)) {}

    // The folder among the findings that holds thirty thousand files.
    fs::path largeFolder() const { return library_ / "Caches/com.example.bench.large"; }

    std::optional<std::vector<ResidualItem>> forApp(const InstalledApp&, const ScanControl&) const override {
        std::vector<ResidualItem> items;
        items.reserve(findingCount + 1);
        items.push_back({largeFolder(), 30'000, ResidualCategory::application, MatchConfidence::exact,
                         "Bundle identifier match", true});
        for (int index = 0; index < findingCount; ++index) {
            const auto category = static_cast<ResidualCategory>(index % residualCategoryCount);
            const auto confidence = index % 3 == 0 ? MatchConfidence::possible : MatchConfidence::exact;
            items.push_back(
                {library_ / rawValue(category) / ("com.example.bench." + std::to_string(index) + ".plist"),
                 1000 + index, category, confidence, "Bundle identifier match",
                 confidence == MatchConfidence::exact});
        }
        std::sort(items.begin(), items.end(), [](const ResidualItem& left, const ResidualItem& right) {
            return left.category < right.category;
        });
        return items;
    }
    std::optional<std::vector<ResidualItem>> orphans(const ScanControl&) const override {
        return std::vector<ResidualItem>{};
    }

private:
    fs::path library_;
};

class BenchServices final : public StoreServices {
public:
    explicit BenchServices(const fs::path& root)
        : root_(root)
        , trash_(Platform::rooted(root)) {}

    ScanOutcome findApps(const std::function<void(InstalledApp)>& deliver, const ScanControl&) override {
        deliver(app());
        return {};
    }
    std::optional<std::int64_t> measure(const InstalledApp&, const std::stop_token&) override {
        return 42'000'000;
    }
    std::shared_ptr<const LeftoverSearch> searchAgainst(const std::vector<InstalledApp>&) override {
        return std::make_shared<Findings>(root_ / "Users/bench/Library");
    }
    InstalledApp handedOver(const fs::path&) override { return app(); }
    TrashManager& trash() override { return trash_; }

    InstalledApp app() const {
        InstalledApp result;
        result.url = root_ / "Applications/Bench.app";
        result.name = "Bench";
        result.bundleID = "com.example.bench";
        return result;
    }

private:
    fs::path root_;
    TrashManager trash_;
};

class NoWorkspace final : public Workspace {
public:
    void reveal(const std::vector<fs::path>&) override {}
    bool openWebAddress(const QUrl&) override { return false; }
    void quit() override {}
};

void runUntil(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 60'000) {
            std::fprintf(stderr, "gave up waiting\n");
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

void settle() {
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
#if defined(__APPLE__)
    return static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0);
#else
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TimingApplication application(argc, argv);
    std::string pattern = (fs::temp_directory_path() / "tarnwick-bench-detail-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    std::printf("Residual list with %d findings, offscreen (longest main-thread stretch per step)\n",
                findingCount);
    std::map<std::string, Stretch> steps;
    {
        auto services = std::make_unique<BenchServices>(root);
        const InstalledApp app = services->app();
        const fs::path large = Findings(root / "Users/bench/Library").largeFolder();
        fs::create_directories(large);
        for (int index = 0; index < largeFolderFiles; ++index) {
            std::FILE* file = std::fopen((large / ("file " + std::to_string(index) + ".cache")).c_str(), "w");
            if (file != nullptr) {
                std::fclose(file);
            }
        }
        CleanerStore store(std::move(services), std::make_unique<ExecutorRunner>());
        NoWorkspace workspace;
        IconCache icons(store.background());
        ApplicationDetailView view(store, icons, workspace);
        view.resize(1040 - 300, 680);
        view.show();
        settle();
        store.loadApps();
        runUntil([&] { return !store.appList().isLoading() && !store.appList().apps().empty(); });
        settle();
        application.takeLongest();

        // A step called directly (not from an event) counts as one stretch of its own.
        const auto direct = [](const std::function<void()>& work) {
            QElapsedTimer timer;
            timer.start();
            const double busy = bench::threadMilliseconds();
            work();
            return Stretch{static_cast<double>(timer.nsecsElapsed()) / 1e6,
                           bench::threadMilliseconds() - busy};
        };

        QElapsedTimer wall;
        wall.start();
        store.select(app);
        runUntil([&] { return !store.findings().isScanning() && !store.findings().items().empty(); });
        settle();
        steps["scan result shown and painted"] =
            direct([&] { view.grab(); }).atLeast(application.takeLongest());
        const double shownAfter = static_cast<double>(wall.elapsed());

        const auto timed = [&](const std::function<void()>& work) {
            Stretch longest = direct(work);
            settle();
            return longest.atLeast(direct([&] { view.grab(); })).atLeast(application.takeLongest());
        };

        FindingsView& list = *view.list();
        FindingsFilter& filter = view.filter();
        QScrollBar* bar = list.verticalScrollBar();
        Stretch scrolling;
        for (int step = 1; step <= 20; ++step) {
            scrolling.atLeast(timed([&] { bar->setValue(bar->maximum() * step / 20); }));
        }
        steps["scroll through (20 pages, each painted)"] = scrolling;
        steps["Select Safe on all and repaint"] = timed([&] { view.selectSafeButton()->click(); });
        steps["one checkbox and repaint"] =
            timed([&] { filter.toggleChoice(filter.index(1, 0, filter.index(0, 0))); });
        {
            QModelIndex largeRow;
            const QModelIndex first = filter.index(0, 0);
            for (int row = 0; row < filter.rowCount(first) && !largeRow.isValid(); ++row) {
                if (filter.index(row, 0, first).data(FindingsModel::pathRole).toString().toStdString() ==
                    large.string()) {
                    largeRow = filter.index(row, 0, first);
                }
            }
            bar->setValue(0);
            settle();
            application.takeLongest();
            // The folder is read on a worker; the main thread only takes what arrives and paints it.
            Stretch expanding = direct([&] { list.expand(largeRow); });
            runUntil([&] {
                return filter.index(0, 0, largeRow)
                    .data(FindingsModel::detailsRole)
                    .value<FindingDetails>()
                    .isRead;
            });
            settle();
            steps["30,000-file folder expanded, listed, painted"] =
                expanding.atLeast(direct([&] { view.grab(); })).atLeast(application.takeLongest());
        }
        steps["filter typed and repaint"] =
            timed([&] { emit view.filterField()->textEdited(QStringLiteral("Caches")); });
        steps["section collapsed and repaint"] = timed([&] { list.collapse(filter.index(0, 0)); });

        // Busy: the main thread's own processor time in its longest event, which a busy machine lengthens
        // less than the wall clock.
        std::printf("  %-42s %10s %10s\n", "", "wall", "busy");
        for (const auto& [name, stretch] : steps) {
            std::printf("  %-42s %7.1f ms %7.1f ms\n", name.c_str(), stretch.wall, stretch.busy);
        }
        std::printf("  %-42s %8.0f ms (wall, scan on a worker)\n", "selection to list shown", shownAfter);
        int rows = 0;
        for (int section = 0; section < filter.rowCount(); ++section) {
            rows += 1 + filter.rowCount(filter.index(section, 0));
        }
        std::printf("  rows in the list: %d\n", rows);
    }
    std::printf("Peak resident memory: %.1f MB (targets: no stretch over 50 ms, under 200 MB)\n",
                peakMegabytes());
    fs::remove_all(root);
    return 0;
}
