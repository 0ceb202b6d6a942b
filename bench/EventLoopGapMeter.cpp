#include "EventLoopGapMeter.h"

#include <algorithm>

EventLoopGapMeter::EventLoopGapMeter()
{
    ticks_.setTimerType(Qt::PreciseTimer);
    ticks_.setInterval(1);
    QObject::connect(&ticks_, &QTimer::timeout, [this] {
        const qint64 now = clock_.nsecsElapsed();
        longestGapNanoseconds_ = std::max(longestGapNanoseconds_, now - lastTurn_);
        lastTurn_ = now;
    });
}

void EventLoopGapMeter::start()
{
    longestGapNanoseconds_ = 0;
    clock_.start();
    lastTurn_ = 0;
    ticks_.start();
}

void EventLoopGapMeter::stop()
{
    ticks_.stop();
    // The time since the last turn counts too: stop() itself runs on a turn of the loop.
    longestGapNanoseconds_ = std::max(longestGapNanoseconds_, clock_.nsecsElapsed() - lastTurn_);
}
