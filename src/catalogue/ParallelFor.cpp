#include "ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace tarnwick {

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress) {
    const std::size_t workerCount =
        std::min<std::size_t>(count, std::clamp<std::size_t>(std::thread::hardware_concurrency() * 2, 2, 16));
    std::atomic<std::size_t> nextIndex{0};
    std::atomic<std::size_t> done{0};
    std::vector<std::jthread> workers;
    for (std::size_t worker = 0; worker < workerCount; ++worker) {
        workers.emplace_back([&] {
            for (std::size_t index = nextIndex++; index < count; index = nextIndex++) {
                work(index);
                ++done;
            }
        });
    }
    if (progress) {
        while (done.load() < count) {
            progress(done.load());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

} // namespace tarnwick
