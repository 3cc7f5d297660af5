#pragma once

#include "demo/TreeBuilder.h"
#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"

#include <QCoreApplication>
#include <deque>
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

// The real system in a temporary folder, except that leftover scans may be given fixed answers and
// are counted.
class TestServices final : public StoreServices {
public:
    struct Script {
        int searchesMade = 0;
        // Application path -> the findings its scan returns instead of the real ones.
        std::map<std::string, std::vector<ResidualItem>> findings;
    };

    TestServices(const Platform& platform, std::shared_ptr<Script> script,
                 std::unique_ptr<TrashManager> trash = nullptr)
        : system_(platform, std::move(trash))
        , script_(std::move(script)) {}

    ScanOutcome findApps(const std::function<void(InstalledApp)>& deliver,
                         const ScanControl& control) override {
        return system_.findApps(deliver, control);
    }
    std::int64_t measure(const std::filesystem::path& location, const std::stop_token& stop) override {
        return system_.measure(location, stop);
    }
    std::shared_ptr<const LeftoverSearch> searchAgainst(const std::vector<InstalledApp>& installed) override;
    InstalledApp handedOver(const std::filesystem::path& location) override {
        return system_.handedOver(location);
    }
    TrashManager& trash() override { return system_.trash(); }

private:
    SystemServices system_;
    std::shared_ptr<Script> script_;
};

class StoreFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();

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
    const InstalledApp& app(const std::string& name) const;
    std::vector<std::string> names(const std::vector<InstalledApp>& apps) const;

    TemporaryFolder folder;
    Platform platform = makeTestPlatform(folder);
    TreeBuilder tree{platform};
    std::shared_ptr<ManualRunner::Queue> tasks = std::make_shared<ManualRunner::Queue>();
    std::shared_ptr<TestServices::Script> script = std::make_shared<TestServices::Script>();
    std::unique_ptr<CleanerStore> store;
};

} // namespace tarnwick::testing
