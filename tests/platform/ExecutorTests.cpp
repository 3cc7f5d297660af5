#include "platform/Executor.h"
#include "platform/ParallelFor.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnwick {
namespace {

using Priority = Executor::Priority;

TEST(ExecutorTest, ServesPrioritiesInOrderAndTasksOfOnePriorityAsTheyCame) {
    Executor executor({.threads = 1, .belowNormalPriority = true});
    std::latch started(1);
    std::promise<void> release;
    executor.start(Priority::utility, [&, gate = release.get_future().share()] {
        started.count_down();
        gate.wait();
    });
    started.wait();

    std::mutex mutex;
    std::vector<int> order;
    std::latch finished(5);
    const auto record = [&](int task) {
        return [&, task] {
            const std::lock_guard lock(mutex);
            order.push_back(task);
            finished.count_down();
        };
    };
    executor.start(Priority::utility, record(5));
    executor.start(Priority::userInitiated, record(3));
    executor.start(Priority::interactive, record(1));
    executor.start(Priority::userInitiated, record(4));
    executor.start(Priority::interactive, record(2));
    release.set_value();
    finished.wait();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(ExecutorTest, LoopsRunFromEveryBackgroundThreadAtOnceStillFinish) {
    // Each of the shared executor's threads waits in a loop of its own, which only its own thread and any
    // thread come free can serve: a loop that waited for helpers not yet started would never end.
    Executor& shared = Executor::shared();
    const std::size_t busy = shared.threadCount() + 2;
    // Shared with the tasks, which outlive the test when they never finish.
    struct Count {
        std::atomic<std::size_t> indices = 0;
        std::atomic<std::size_t> loops = 0;
    };
    const auto count = std::make_shared<Count>();
    for (std::size_t task = 0; task < busy; ++task) {
        shared.start(Priority::userInitiated, [count] {
            parallelFor(200, [&](std::size_t) { ++count->indices; });
            ++count->loops;
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (count->loops < busy && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(count->loops.load(), busy) << "the loops are waiting for each other";
    EXPECT_EQ(count->indices.load(), busy * 200);
}

} // namespace
} // namespace tarnwick
