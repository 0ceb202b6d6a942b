#pragma once

#include "posix/SignalPipe.h"

#include <stop_token>
#include <thread>

// Turns SIGTERM, SIGINT and SIGHUP into a stop request. The app's process runner ends a tool
// that runs too long or whose operation was cancelled with SIGTERM; a stand-in that died at
// once could leave a half-made image or an orphaned mount folder, so instead it notices the
// request between steps, undoes what it began and exits. One instance per process, made first
// in main.
class TerminationRequests
{
public:
    TerminationRequests();
    ~TerminationRequests();

    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

    std::stop_token token() const { return source_.get_token(); }

private:
    SignalPipe signals_;
    std::stop_source source_;
    std::jthread watcher_;
};
