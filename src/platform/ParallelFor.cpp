#include "platform/ParallelFor.h"

#include "platform/Executor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace tarnwick {

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(50);

// What the caller and its helpers share. Helpers hold it, so that one that starts after the caller has
// returned finds the loop closed and touches nothing else.
struct Loop {
    std::mutex mutex;
    std::condition_variable helpersDone;
    std::size_t nextIndex = 0;
    std::size_t done = 0;
    std::size_t helping = 0;
    bool closed = false;
};

} // namespace

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress, const std::stop_token& stop) {
    auto loop = std::make_shared<Loop>();
    const auto takeIndex = [&](Loop& shared) -> std::optional<std::size_t> {
        const std::lock_guard lock(shared.mutex);
        if (shared.nextIndex == count || stop.stop_requested()) {
            return std::nullopt;
        }
        return shared.nextIndex++;
    };
    const auto finishIndex = [](Loop& shared) {
        const std::lock_guard lock(shared.mutex);
        ++shared.done;
    };

    Executor& executor = Executor::shared();
    const std::size_t helpers = std::min(count > 0 ? count - 1 : 0, executor.threadCount());
    for (std::size_t helper = 0; helper < helpers; ++helper) {
        executor.start(Executor::Priority::userInitiated, [loop, &work, &takeIndex, &finishIndex] {
            {
                const std::lock_guard lock(loop->mutex);
                if (loop->closed) {
                    return; // the caller did every index itself and is gone
                }
                ++loop->helping;
            }
            while (const auto index = takeIndex(*loop)) {
                work(*index);
                finishIndex(*loop);
            }
            const std::lock_guard lock(loop->mutex);
            if (--loop->helping == 0) {
                loop->helpersDone.notify_all();
            }
        });
    }

    auto lastReport = std::chrono::steady_clock::now();
    const auto report = [&] {
        if (!progress) {
            return;
        }
        std::size_t soFar = 0;
        {
            const std::lock_guard lock(loop->mutex);
            soFar = loop->done;
        }
        progress(soFar);
        lastReport = std::chrono::steady_clock::now();
    };
    report();
    while (const auto index = takeIndex(*loop)) {
        work(*index);
        finishIndex(*loop);
        if (std::chrono::steady_clock::now() - lastReport >= progressInterval) {
            report();
        }
    }
    // Helpers that have not started yet never will; only those at work are waited for.
    std::unique_lock lock(loop->mutex);
    loop->closed = true;
    while (loop->helping > 0) {
        loop->helpersDone.wait_for(lock, progressInterval, [&] { return loop->helping == 0; });
        if (progress && loop->helping > 0) {
            lock.unlock();
            report();
            lock.lock();
        }
    }
    lock.unlock();
    report();
}

} // namespace tarnwick
