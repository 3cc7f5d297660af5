#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

namespace tarnwick {

class Executor;

// Where the store's background work runs. The window uses the program's one executor; tests use a runner that
// holds each task until the test lets it run, so that they decide in which order results arrive.
class TaskRunner {
public:
    // Served in this order: facts the user is looking at (icons, details, the history), what the user asked
    // for (scans, removals, restores), then what may take its time (sizes).
    enum class Priority { interactive, userInitiated, utility };

    virtual ~TaskRunner() = default;

    // Runs `task` later, on some other thread in production. Never runs it before returning.
    virtual void start(Priority priority, std::function<void()> task) = 0;

    // Blocks until every task started so far has ended.
    virtual void waitForDone() = 0;
};

// Runs tasks on an executor shared with the rest of the program, and knows which of them are its own.
class ExecutorRunner final : public TaskRunner {
public:
    // Without an executor, the program's shared one.
    explicit ExecutorRunner(Executor* executor = nullptr);
    ~ExecutorRunner() override;

    void start(Priority priority, std::function<void()> task) override;
    void waitForDone() override;

private:
    Executor& executor_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::size_t unfinished_ = 0;
};

} // namespace tarnwick
