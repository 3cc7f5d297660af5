#include "platform/ParallelFor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnwick {

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress, const std::stop_token& stop) {
    const std::size_t workerCount =
        std::min<std::size_t>(count, std::clamp<std::size_t>(std::thread::hardware_concurrency() * 2, 2, 16));
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t nextIndex = 0;
    std::size_t done = 0;
    // Counted rather than compared with `done`, since after a stop not every index is done.
    std::size_t running = workerCount;
    std::vector<std::jthread> workers;
    for (std::size_t worker = 0; worker < workerCount; ++worker) {
        workers.emplace_back([&] {
            for (;;) {
                std::size_t index = 0;
                {
                    std::lock_guard lock(mutex);
                    if (nextIndex == count || stop.stop_requested()) {
                        if (--running == 0) {
                            finished.notify_all();
                        }
                        return;
                    }
                    index = nextIndex++;
                }
                work(index);
                std::lock_guard lock(mutex);
                ++done;
            }
        });
    }
    if (progress) {
        std::unique_lock lock(mutex);
        while (running > 0) {
            const std::size_t soFar = done;
            lock.unlock();
            progress(soFar);
            lock.lock();
            finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return running == 0; });
        }
    }
}

} // namespace tarnwick
