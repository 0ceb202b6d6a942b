#pragma once

#include <QElapsedTimer>
#include <QTimer>

// The longest time the calling thread's event loop went without a turn while the meter ran: a
// precise 1 ms timer notes each time it gets to run, and a thread stuck in some long piece of
// work misses its turns until that work ends. A 0 ms timer would see every turn, but would keep
// one of the machine's cores spinning and slow down what is being measured.
class EventLoopGapMeter
{
public:
    EventLoopGapMeter();

    void start();
    void stop();
    double longestGapSeconds() const { return double(longestGapNanoseconds_) / 1e9; }

private:
    QTimer ticks_;
    QElapsedTimer clock_;
    qint64 lastTurn_ = 0;
    qint64 longestGapNanoseconds_ = 0;
};
