#include "EventLoopProbe.h"

#include <algorithm>

namespace tarnwick::bench {

EventLoopProbe::EventLoopProbe(int intervalMilliseconds)
    : interval_(intervalMilliseconds) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_);
    connect(&timer_, &QTimer::timeout, this, &EventLoopProbe::tick);
    clock_.start();
    last_ = clock_.nsecsElapsed();
    timer_.start();
}

void EventLoopProbe::tick() {
    const qint64 now = clock_.nsecsElapsed();
    const double late = static_cast<double>(now - last_) / 1e6 - interval_;
    longest_ = std::max(longest_, late);
    last_ = now;
}

} // namespace tarnwick::bench
