#pragma once

#include <functional>
#include <thread>

// Runs a clean-up when the bench is interrupted (SIGINT, SIGTERM, SIGHUP), then ends the process
// with the usual 128 + signal status. The signals are blocked in every thread and read from a
// signalfd by a watcher thread, so the clean-up runs as ordinary code (it starts fusermount3)
// rather than inside a signal handler. Made in main before any other thread exists, so that
// every thread inherits the blocked signals (child processes start with none blocked), and after
// what the clean-up uses, so that it is gone before that is.
class InterruptCleanup
{
public:
    explicit InterruptCleanup(std::function<void()> cleanUp);
    ~InterruptCleanup();

    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

private:
    int signals_ = -1;
    int finished_ = -1;
    std::function<void()> cleanUp_;
    std::thread watcher_;
};
