#include "EventLoopProbe.h"

#include <algorithm>
#include <ctime>

namespace tarnwick::bench {

double threadMilliseconds() {
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

EventLoopProbe::EventLoopProbe(int intervalMilliseconds)
    : interval_(intervalMilliseconds) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_);
    connect(&timer_, &QTimer::timeout, this, &EventLoopProbe::tick);
    clock_.start();
    last_ = clock_.nsecsElapsed();
    lastBusy_ = threadMilliseconds();
    timer_.start();
}

void EventLoopProbe::tick() {
    const qint64 now = clock_.nsecsElapsed();
    const double busy = threadMilliseconds();
    const double late = static_cast<double>(now - last_) / 1e6 - interval_;
    longest_ = std::max(longest_, late);
    longestBusy_ = std::max(longestBusy_, busy - lastBusy_);
    last_ = now;
    lastBusy_ = busy;
}

} // namespace tarnwick::bench
