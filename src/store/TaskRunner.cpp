#include "store/TaskRunner.h"

#include <QThread>
#include <QThreadPool>
#include <algorithm>

namespace tarnwick {

ThreadPoolRunner::ThreadPoolRunner()
    : pool_(new QThreadPool) {
    // Sizing is mostly waiting on the disk: a few more threads than cores keep it busy.
    pool_->setMaxThreadCount(std::max(4, QThread::idealThreadCount() * 2));
}

ThreadPoolRunner::~ThreadPoolRunner() {
    pool_->waitForDone();
    delete pool_;
}

void ThreadPoolRunner::start(Priority priority, std::function<void()> task) {
    // QThreadPool runs higher numbers first.
    const int order = priority == Priority::userInitiated ? 2 : priority == Priority::standard ? 1 : 0;
    pool_->start(std::move(task), order);
}

void ThreadPoolRunner::waitForDone() {
    pool_->waitForDone();
}

} // namespace tarnwick
