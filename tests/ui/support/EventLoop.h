#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace tarnwick::testing {

// Runs the event loop until `condition` holds or `milliseconds` pass; returns whether it held. Background
// work hands its results to the main thread through the event loop, so tests wait here, never by sleeping.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 10000) {
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::yieldCurrentThread();
    }
    return true;
}

// Delivers what is already queued (posted results, deferred deletes, layout requests).
inline void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace tarnwick::testing
