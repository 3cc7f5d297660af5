#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace tarnwick::bench {

// The processor time the calling thread has used so far, in milliseconds: unlike the wall clock, it does
// not grow while other programs on a busy machine hold the processor.
double threadMilliseconds();

// How long the main thread kept its event loop waiting: a short timer that should fire every
// `interval`, and the longest it was late. A late timer means the window could not repaint or answer.
class EventLoopProbe : public QObject {
public:
    explicit EventLoopProbe(int intervalMilliseconds = 2);

    // The longest stretch, in milliseconds, beyond the interval, since the probe was made.
    double longestStretch() const { return longest_; }
    // The most processor time, in milliseconds, the main thread spent between two turns of the timer: the
    // longest stretch as an idle machine would see it.
    double longestBusy() const { return longestBusy_; }

private:
    void tick();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    double lastBusy_ = 0;
    double longest_ = 0;
    double longestBusy_ = 0;
    int interval_;
};

} // namespace tarnwick::bench
