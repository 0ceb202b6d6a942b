#pragma once

#include <csignal>
#include <iterator>
#include <stop_token>
#include <thread>

// Turns SIGTERM, SIGINT and SIGHUP into a stop request. The app's process runner ends a tool
// that runs too long or whose operation was cancelled with SIGTERM; a stand-in that died at
// once could leave a half-made image or an orphaned mount folder, so instead it notices the
// request between steps, undoes what it began and exits.
//
// The signals are caught by a handler rather than blocked, so the helper programs a stand-in
// starts inherit an untouched signal mask (exec resets caught signals to their defaults). One
// instance per process, made first in main.
class TerminationRequests
{
public:
    TerminationRequests();
    ~TerminationRequests();

    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

    std::stop_token token() const { return source_.get_token(); }

private:
    static constexpr int watchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

    int wakeRead_ = -1;
    struct sigaction previous_[std::size(watchedSignals)] {};
    std::stop_source source_;
    std::jthread watcher_;
};
