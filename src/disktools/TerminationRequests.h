#pragma once

#include <csignal>
#include <stop_token>
#include <thread>

// Turns SIGTERM, SIGINT and SIGHUP into a stop request. The app's process runner ends a tool
// that runs too long or whose operation was cancelled with SIGTERM; a stand-in that died at
// once could leave a half-made image or an orphaned mount folder, so instead it notices the
// request between steps, undoes what it began and exits.
//
// Construct it first in main, before any other thread exists: the signals are blocked for the
// whole process and taken by one watcher thread. Children get a clean signal mask (HelperProcess).
class TerminationRequests
{
public:
    TerminationRequests();
    ~TerminationRequests();

    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

    std::stop_token token() const { return source_.get_token(); }

private:
    sigset_t signals_{};
    std::stop_source source_;
    std::jthread watcher_;
};
