#include "ObservedRun.h"

#include "EventLoopGapMeter.h"
#include "PeakResidentMemory.h"

#include <QEventLoop>
#include <QTimer>

ObservedRun ObservedRun::observe(const std::function<bool(std::function<void()> done)>& start,
                                 std::chrono::milliseconds settle)
{
    ObservedRun observed;
    EventLoopGapMeter meter;
    QEventLoop loop;
    const bool resetPeak = PeakResidentMemory::reset();
    const qint64 peakBefore = PeakResidentMemory::bytes();
    observed.seconds = secondsOf([&] {
        meter.start();
        if (start([&loop, settle] { QTimer::singleShot(settle, &loop, &QEventLoop::quit); })) {
            loop.exec();
        }
        meter.stop();
    });
    const qint64 peakAfter = PeakResidentMemory::bytes();
    if (resetPeak && peakBefore >= 0 && peakAfter >= 0) {
        observed.peakResidentGrowthBytes = peakAfter - peakBefore;
    }
    observed.longestEventLoopGapSeconds = meter.longestGapSeconds();
    return observed;
}
