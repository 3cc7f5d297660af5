#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace tarnwick::bench {

// How long the main thread kept its event loop waiting: a short timer that should fire every
// `interval`, and the longest it was late. A late timer means the window could not repaint or answer.
class EventLoopProbe : public QObject {
public:
    explicit EventLoopProbe(int intervalMilliseconds = 2);

    // The longest stretch, in milliseconds, beyond the interval, since the probe was made.
    double longestStretch() const { return longest_; }

private:
    void tick();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    double longest_ = 0;
    int interval_;
};

} // namespace tarnwick::bench
