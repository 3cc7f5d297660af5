#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnwick {

// Where background work runs: a fixed set of threads, started once, that take tasks by priority and, within
// one priority, in the order they came. Nothing starts a thread per call.
class Executor {
public:
    // Served in this order: what the user waits to see, what the user asked for, what may take its time.
    enum class Priority { interactive, userInitiated, utility };

    struct Options {
        std::size_t threads = 1;
        // Below the priority of the program's other threads, so that a window stays quick while they work.
        bool belowNormalPriority = true;
    };

    // A thread for every core but one, which stays the window's, each below normal priority.
    static Options forWindow();
    // Several threads per core at normal priority: most of what they do is waiting for the disk.
    static Options forCommandLine();

    explicit Executor(const Options& options);
    // Waits for the tasks that are running; tasks still waiting are dropped.
    ~Executor();
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    void start(Priority priority, std::function<void()> task);
    std::size_t threadCount() const { return threads_.size(); }

    // The executor the whole program shares, made on first use with the options last given to
    // `configureShared`, else with `forWindow()`'s. It lives until the program ends.
    static Executor& shared();
    // Takes effect only before the first use of `shared()`.
    static void configureShared(const Options& options);

private:
    void work(bool belowNormalPriority);

    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<std::function<void()>> queues_[3];
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace tarnwick
