#pragma once

#include "store/TaskRunner.h"

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace tarnwick {

// Work done off the main thread whose result comes back to it. Results are applied in the order they were
// handed over, in batches that give the event loop back every few milliseconds, so that a burst of records or
// sizes never keeps the window from repainting.
class Background : public QObject {
    Q_OBJECT

public:
    // Computes off the main thread and returns what to do with the result on it.
    using Work = std::function<std::function<void()>()>;

    explicit Background(std::unique_ptr<TaskRunner> runner, QObject* parent = nullptr);
    // Waits for the work in flight, so that nothing runs on behalf of a receiver that is gone.
    ~Background() override;

    // Runs `work` by the runner; its result is applied on the main thread unless `receiver` is gone by then.
    void run(TaskRunner::Priority priority, const QObject* receiver, Work work);
    // Starts `task` by the runner; it hands over what it finds itself, through `post`.
    void start(TaskRunner::Priority priority, std::function<void()> task);
    // Hands `apply` to the main thread, from any thread.
    void post(std::function<void()> apply);
    void waitForDone();

private:
    void applyPosted();

    std::unique_ptr<TaskRunner> runner_;
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
    bool applyScheduled_ = false;
};

} // namespace tarnwick
