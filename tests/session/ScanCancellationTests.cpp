#include "catalogue/FileUtilities.h"
#include "platform/ParallelFor.h"
#include "platform/ScanControl.h"
#include "session/AppCatalogue.h"
#include "session/ResidualSearch.h"
#include "support/MacDisk.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Far more entries than a scan looks at between two reports, so that stopping early is measurable.
constexpr std::size_t pileSize = 1500;

// Keeps every report of one scan and requests the stop at the first report `stopsAt` accepts.
struct Recorder {
    std::stop_source source;
    std::vector<ScanProgress> reports;
    std::function<bool(const ScanProgress&)> stopsAt = [](const ScanProgress&) { return false; };

    ScanControl control() {
        return {.stop = source.get_token(), .progress = [this](const ScanProgress& progress) {
                    reports.push_back(progress);
                    if (stopsAt(progress)) {
                        source.request_stop();
                    }
                }};
    }

    std::size_t lastSearched() const { return reports.empty() ? 0 : reports.back().searched; }
    bool measured(std::size_t total) const {
        return std::any_of(reports.begin(), reports.end(),
                           [&](const ScanProgress& report) { return report.toMeasure == total; });
    }
};

class ScanCancellationTest : public testing::MacDiskTest {
protected:
    // `count` folders holding one file each below `root`: twice as many entries for a walk.
    void addPile(const fs::path& root, std::size_t count) const {
        for (std::size_t index = 0; index < count; ++index) {
            tree.addFile(root / ("folder" + std::to_string(index)) / "file", "x");
        }
    }

    InstalledApp installed(const std::string& name) const {
        const auto apps = AppCatalogue::scan(platform).value();
        return *std::find_if(apps.begin(), apps.end(), [&](const auto& app) { return app.name == name; });
    }

    // A search over the pile stops within a report once a hundred entries were searched, and at its first
    // measuring; either way it returns nothing.
    static void expectStopsInTheWalkAndWhileMeasuring(
        const std::function<std::optional<std::vector<ResidualItem>>(const ScanControl&)>& search) {
        Recorder inWalk;
        inWalk.stopsAt = [](const ScanProgress& progress) { return progress.searched >= 100; };
        EXPECT_FALSE(search(inWalk.control()).has_value());
        EXPECT_LT(inWalk.lastSearched(), pileSize / 2);

        Recorder atMeasuring;
        atMeasuring.stopsAt = [](const ScanProgress& progress) { return progress.isMeasuring(); };
        EXPECT_FALSE(search(atMeasuring.control()).has_value());
    }
};

TEST_F(ScanCancellationTest, TheAppScanReportsAndStopsWithinAReportOfTheRequest) {
    tree.addApp(platform.system("/Applications"), {.fileName = "Notes.app", .bundleID = "com.example.notes"});
    tree.addApp(platform.system("/System/Applications"), {.fileName = "Clock.app"});
    addPile(platform.system("/Applications/Pile"), pileSize);

    Recorder complete;
    const auto apps = AppCatalogue::scan(platform, complete.control());
    ASSERT_TRUE(apps.has_value());
    EXPECT_EQ(apps->size(), 2U);
    EXPECT_EQ(complete.reports.back().found, 2U);
    EXPECT_GT(complete.lastSearched(), 2 * pileSize);

    Recorder stopped;
    stopped.stopsAt = [](const ScanProgress&) { return true; };
    EXPECT_FALSE(AppCatalogue::scan(platform, stopped.control()).has_value());
    EXPECT_LT(stopped.lastSearched(), pileSize / 2);

    Recorder early;
    early.source.request_stop();
    EXPECT_FALSE(AppCatalogue::scan(platform, early.control()).has_value());
}

TEST_F(ScanCancellationTest, MeasuringTheCatalogueStopsAndLeavesNoSizeCutShort) {
    for (const std::string name : {"One", "Two", "Three"}) {
        tree.addApp(platform.system("/Applications"), {.fileName = name + ".app"});
    }
    auto apps = AppCatalogue::scan(platform).value();

    Recorder stopped;
    stopped.stopsAt = [](const ScanProgress& progress) { return progress.isMeasuring(); };
    EXPECT_EQ(AppCatalogue::measureSizes(apps, stopped.control()), ScanOutcome::cancelled);
    EXPECT_TRUE(std::none_of(apps.begin(), apps.end(), [](const auto& app) { return app.size.has_value(); }));

    Recorder complete;
    EXPECT_EQ(AppCatalogue::measureSizes(apps, complete.control()), ScanOutcome::completed);
    EXPECT_TRUE(std::all_of(apps.begin(), apps.end(), [](const auto& app) { return app.size > 0; }));
    EXPECT_TRUE(complete.measured(3));
}

TEST_F(ScanCancellationTest, AnAppsScanStopsInsideALongDeepWalkAndWhileMeasuring) {
    tree.addApp(platform.system("/Applications"), {.fileName = "Notes.app", .bundleID = "com.example.notes"});
    tree.addFile(tree.userLibrary("Caches/com.example.notes/Cache.db"), std::uint64_t{3000});
    addPile(platform.home() / ".config/pile", pileSize);
    const ResidualSearch search(AppCatalogue::scan(platform).value(), platform);
    const InstalledApp notes = installed("Notes");

    Recorder complete;
    const auto items = search.forApp(notes, complete.control());
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 2U); // the bundle and its cache
    EXPECT_GT(complete.lastSearched(), 2 * pileSize);
    EXPECT_TRUE(complete.measured(2));
    EXPECT_EQ(complete.reports.back().found, 2U);

    // A bundle whose record knows its size is not measured again.
    InstalledApp measured = notes;
    measured.size = 1;
    Recorder once;
    EXPECT_EQ(search.forApp(measured, once.control())->front().size, 1);
    EXPECT_TRUE(once.measured(1));

    expectStopsInTheWalkAndWhileMeasuring(
        [&](const ScanControl& control) { return search.forApp(notes, control); });
}

TEST_F(ScanCancellationTest, TheLeftoversScanStopsInsideALongFolderAndWhileMeasuring) {
    for (std::size_t index = 0; index < pileSize; ++index) {
        tree.addFile(tree.userLibrary("Caches/com.gone.app" + std::to_string(index) + ".plist"), "x");
    }
    const ResidualSearch search({}, platform);

    Recorder complete;
    const auto items = search.orphans(complete.control());
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(items->size(), pileSize);
    EXPECT_TRUE(complete.measured(pileSize));

    expectStopsInTheWalkAndWhileMeasuring(
        [&](const ScanControl& control) { return search.orphans(control); });
}

TEST_F(ScanCancellationTest, MeasuringHandsOutNoWorkAndWalksNoFurtherOnceStopped) {
    std::stop_source source;
    std::atomic<std::size_t> started = 0;
    parallelFor(
        1000,
        [&](std::size_t) {
            if (++started == 10) {
                source.request_stop();
            }
        },
        {}, source.get_token());
    // Only the workers already busy finish their index.
    EXPECT_LT(started.load(), 100U);

    addPile(folder / "big", 50);
    EXPECT_EQ(FileUtilities::fileSize(folder / "big"), 50);
    EXPECT_EQ(FileUtilities::fileSize(folder / "big", source.get_token()), 0);
}

} // namespace
} // namespace tarnwick
