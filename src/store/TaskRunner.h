#pragma once

#include <functional>

class QThreadPool;

namespace tarnwick {

// Where the store's background work runs. The window uses a thread pool; tests use a runner that
// holds each task until the test lets it run, so that they decide in which order results arrive.
class TaskRunner {
public:
    enum class Priority { userInitiated, utility, standard };

    virtual ~TaskRunner() = default;

    // Runs `task` later, on some other thread in production. Never runs it before returning.
    virtual void start(Priority priority, std::function<void()> task) = 0;

    // Blocks until every task started so far has ended.
    virtual void waitForDone() = 0;
};

// Runs tasks on a thread pool of its own, the priority becoming the pool's task priority.
class ThreadPoolRunner final : public TaskRunner {
public:
    ThreadPoolRunner();
    ~ThreadPoolRunner() override;

    void start(Priority priority, std::function<void()> task) override;
    void waitForDone() override;

private:
    QThreadPool* pool_;
};

} // namespace tarnwick
