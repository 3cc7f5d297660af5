#include "platform/ParallelFor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnwick {

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress) {
    const std::size_t workerCount =
        std::min<std::size_t>(count, std::clamp<std::size_t>(std::thread::hardware_concurrency() * 2, 2, 16));
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t nextIndex = 0;
    std::size_t done = 0;
    std::vector<std::jthread> workers;
    for (std::size_t worker = 0; worker < workerCount; ++worker) {
        workers.emplace_back([&] {
            for (;;) {
                std::size_t index = 0;
                {
                    std::lock_guard lock(mutex);
                    if (nextIndex == count) {
                        return;
                    }
                    index = nextIndex++;
                }
                work(index);
                std::lock_guard lock(mutex);
                if (++done == count) {
                    finished.notify_all();
                }
            }
        });
    }
    if (progress) {
        std::unique_lock lock(mutex);
        while (done < count) {
            const std::size_t soFar = done;
            lock.unlock();
            progress(soFar);
            lock.lock();
            finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return done == count; });
        }
    }
}

} // namespace tarnwick
