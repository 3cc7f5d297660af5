#pragma once

#include "demo/TreeBuilder.h"
#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"

#include <QCoreApplication>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick::testing {

// Holds every task until the test runs it, on the test's own thread; what a task hands to the store
// arrives when the test delivers the posted events.
class ManualRunner final : public TaskRunner {
public:
    struct Task {
        Priority priority;
        std::function<void()> work;
    };
    using Queue = std::deque<Task>;

    explicit ManualRunner(std::shared_ptr<Queue> queue)
        : queue_(std::move(queue)) {}

    void start(Priority priority, std::function<void()> task) override {
        queue_->push_back({priority, std::move(task)});
    }
    // Tasks still held when the store goes away never run.
    void waitForDone() override {}

private:
    std::shared_ptr<Queue> queue_;
};

// The real system in a temporary folder, except where the test's script says otherwise.
class TestServices final : public StoreServices {
public:
    struct Script {
        int searchesMade = 0;
        // Scans of an application that began: a scan stopped before it began makes none.
        int scansMade = 0;
        // Application path -> the findings its scan returns instead of the real ones.
        std::map<std::string, std::vector<ResidualItem>> findings;
        // Records found after the real ones, of bundles that are not on the disk.
        std::vector<InstalledApp> extraApps;
        // Called while an application is measured, before its size is known.
        std::function<void()> whileMeasuring;
    };

    TestServices(const Platform& platform, std::shared_ptr<Script> script,
                 std::unique_ptr<TrashManager> trash = nullptr)
        : system_(platform, std::move(trash))
        , script_(std::move(script)) {}

    ScanOutcome findApps(const std::function<void(InstalledApp)>& deliver,
                         const ScanControl& control) override;
    std::optional<std::int64_t> measure(const InstalledApp& app, const std::stop_token& stop) override;
    std::shared_ptr<const LeftoverSearch> searchAgainst(const std::vector<InstalledApp>& installed) override;
    InstalledApp handedOver(const std::filesystem::path& location) override {
        return system_.handedOver(location);
    }
    TrashManager& trash() override { return system_.trash(); }

private:
    SystemServices system_;
    std::shared_ptr<Script> script_;
};

// A Mac in a temporary folder with the same few applications for every test of the store and the window:
// Agent (no Dock icon), "App 2" and "app 10" (for the order of names), Editor (version 2.1, four document
// types, a cache of 4 KB), Texty, and the system's Clock; and the cache of an application no longer
// installed. The store's background work waits until the test runs it.
class StoreFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    StoreFixture();

    // The store over this fixture's tree; `trash` replaces the system's trash manager.
    CleanerStore& makeStore(std::unique_ptr<TrashManager> trash = nullptr);

    // Runs held tasks, oldest first, delivering their results after each, until none is left (results
    // may start new tasks).
    void runAll();
    // Runs the oldest held task of `priority` and delivers what it handed back.
    void runNext(TaskRunner::Priority priority);
    std::size_t pending(TaskRunner::Priority priority) const;
    static void deliver();

    // Loads the applications and lets every size arrive.
    void loadCompletely();
    // Asks for the removal of what is chosen, lets the check run, confirms and lets the removal run.
    void removeChosen();
    // Selects `name` and shows its findings: the real ones, or `findings` when given.
    void show(const std::string& name, std::optional<std::vector<ResidualItem>> findings = std::nullopt);
    const InstalledApp& app(const std::string& name) const;
    static std::vector<std::string> names(const std::vector<InstalledApp>& apps);
    // A finding in the user's Library, made on the disk.
    ResidualItem finding(const std::string& relative, ResidualCategory category, MatchConfidence confidence,
                         bool selected, std::int64_t size = 1000) const;

    TemporaryFolder folder;
    Platform platform = makeTestPlatform(folder);
    TreeBuilder tree{platform};
    std::filesystem::path editorCache;
    std::filesystem::path orphan;
    std::shared_ptr<ManualRunner::Queue> tasks = std::make_shared<ManualRunner::Queue>();
    std::shared_ptr<TestServices::Script> script = std::make_shared<TestServices::Script>();
    std::unique_ptr<CleanerStore> store;
};

} // namespace tarnwick::testing
