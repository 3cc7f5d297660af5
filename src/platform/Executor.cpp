#include "platform/Executor.h"

#include <algorithm>
#include <optional>

#if defined(__APPLE__)
#include <pthread/qos.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tarnwick {

namespace {

std::size_t cores() {
    return std::max<std::size_t>(1, std::thread::hardware_concurrency());
}

// Linux gives each thread a niceness of its own; macOS asks for a quality of service instead.
void lowerThisThreadsPriority() {
#if defined(__APPLE__)
    pthread_set_qos_class_self_np(QOS_CLASS_UTILITY, 0);
#elif defined(__linux__)
    constexpr int niceness = 10;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), niceness);
#endif
}

std::mutex sharedMutex;
std::optional<Executor::Options> sharedOptions;

} // namespace

Executor::Options Executor::forWindow() {
    return {.threads = std::max<std::size_t>(1, cores() - 1), .belowNormalPriority = true};
}

Executor::Options Executor::forCommandLine() {
    return {.threads = std::clamp<std::size_t>(cores() * 2, 2, 16), .belowNormalPriority = false};
}

Executor::Executor(const Options& options) {
    const std::size_t count = std::max<std::size_t>(1, options.threads);
    threads_.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        threads_.emplace_back([this, lower = options.belowNormalPriority] { work(lower); });
    }
}

Executor::~Executor() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    available_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void Executor::start(Priority priority, std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        queues_[static_cast<std::size_t>(priority)].push_back(std::move(task));
    }
    available_.notify_one();
}

void Executor::work(bool belowNormalPriority) {
    if (belowNormalPriority) {
        lowerThisThreadsPriority();
    }
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            const auto next = [this] {
                return std::find_if(std::begin(queues_), std::end(queues_),
                                    [](const auto& queue) { return !queue.empty(); });
            };
            available_.wait(lock, [&] { return stopping_ || next() != std::end(queues_); });
            if (stopping_) {
                return;
            }
            auto& queue = *next();
            task = std::move(queue.front());
            queue.pop_front();
        }
        task();
    }
}

Executor& Executor::shared() {
    // Never destroyed: tasks may still run while the program's other statics go away.
    static Executor* const executor = [] {
        const std::lock_guard lock(sharedMutex);
        return new Executor(sharedOptions.value_or(forWindow()));
    }();
    return *executor;
}

void Executor::configureShared(const Options& options) {
    const std::lock_guard lock(sharedMutex);
    sharedOptions = options;
}

} // namespace tarnwick
