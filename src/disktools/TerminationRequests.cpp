#include "disktools/TerminationRequests.h"

#include <cerrno>
#include <poll.h>

TerminationRequests::TerminationRequests()
{
    if (!signals_.isValid()) {
        return;
    }
    watcher_ = std::jthread([this](const std::stop_token& ownStop) {
        // Sleeps until a byte arrives: from a signal, or from the destructor when the tool
        // finishes. A timed wait here would hold every run of the tool back until it expired.
        pollfd wakeUp{signals_.readFd(), POLLIN, 0};
        while (::poll(&wakeUp, 1, -1) < 0 && errno == EINTR) {
        }
        if (!ownStop.stop_requested()) {
            source_.request_stop();
        }
    });
}

TerminationRequests::~TerminationRequests()
{
    if (watcher_.joinable()) {
        watcher_.request_stop();
        signals_.wake();
        watcher_.join();
    }
}
