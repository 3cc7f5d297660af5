#include "store/Background.h"

#include <QMetaObject>
#include <chrono>

namespace tarnwick {

namespace {

// How long the main thread applies results before it lets the event loop repaint and take input.
constexpr auto batchTime = std::chrono::milliseconds(8);

} // namespace

Background::Background(std::unique_ptr<TaskRunner> runner, QObject* parent)
    : QObject(parent)
    , runner_(std::move(runner)) {}

Background::~Background() {
    runner_->waitForDone();
}

void Background::run(TaskRunner::Priority priority, const QObject* receiver, Work work) {
    runner_->start(priority, [this, receiver = QPointer<const QObject>(receiver), work = std::move(work)] {
        std::function<void()> apply = work();
        if (apply) {
            post([receiver, apply = std::move(apply)] {
                if (receiver) {
                    apply();
                }
            });
        }
    });
}

void Background::start(TaskRunner::Priority priority, std::function<void()> task) {
    runner_->start(priority, std::move(task));
}

void Background::post(std::function<void()> apply) {
    const std::lock_guard lock(mutex_);
    posted_.push_back(std::move(apply));
    if (!applyScheduled_) {
        applyScheduled_ = true;
        QMetaObject::invokeMethod(this, &Background::applyPosted, Qt::QueuedConnection);
    }
}

void Background::waitForDone() {
    runner_->waitForDone();
}

void Background::applyPosted() {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::function<void()> apply;
        {
            const std::lock_guard lock(mutex_);
            if (posted_.empty()) {
                applyScheduled_ = false;
                return;
            }
            if (std::chrono::steady_clock::now() - start > batchTime) {
                // The rest after the window has had its turn.
                QMetaObject::invokeMethod(this, &Background::applyPosted, Qt::QueuedConnection);
                return;
            }
            apply = std::move(posted_.front());
            posted_.pop_front();
        }
        apply();
    }
}

} // namespace tarnwick
