#include "store/TaskRunner.h"

#include "platform/Executor.h"

namespace tarnwick {

namespace {

Executor::Priority executorPriority(TaskRunner::Priority priority) {
    switch (priority) {
    case TaskRunner::Priority::interactive:
        return Executor::Priority::interactive;
    case TaskRunner::Priority::userInitiated:
        return Executor::Priority::userInitiated;
    case TaskRunner::Priority::utility:
        break;
    }
    return Executor::Priority::utility;
}

} // namespace

ExecutorRunner::ExecutorRunner(Executor* executor)
    : executor_(executor != nullptr ? *executor : Executor::shared()) {}

ExecutorRunner::~ExecutorRunner() {
    waitForDone();
}

void ExecutorRunner::start(Priority priority, std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        ++unfinished_;
    }
    executor_.start(executorPriority(priority), [this, task = std::move(task)] {
        task();
        const std::lock_guard lock(mutex_);
        if (--unfinished_ == 0) {
            idle_.notify_all();
        }
    });
}

void ExecutorRunner::waitForDone() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return unfinished_ == 0; });
}

} // namespace tarnwick
