#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

// What the GUI thread went through while some work ran on it: how long the work took, the
// longest pause of its event loop and how much the program's peak resident memory grew.
struct ObservedRun
{
    double seconds = 0;
    double longestEventLoopGapSeconds = 0;
    // -1 when the kernel cannot tell.
    qint64 peakResidentGrowthBytes = -1;

    // Runs an event loop in which `start` begins the work, handing it the function to call once
    // the work is done; the loop then runs `settle` longer, so that what the work left for later
    // turns of the loop (a layout, a repaint) is watched too. When `start` returns false nothing
    // was started and the loop does not run.
    static ObservedRun observe(const std::function<bool(std::function<void()> done)>& start,
                               std::chrono::milliseconds settle = std::chrono::milliseconds(0));
};

// The seconds `work` took on a monotonic clock.
template <typename Work>
double secondsOf(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
