#include "disktools/TerminationRequests.h"

#include <poll.h>

TerminationRequests::TerminationRequests()
{
    if (!signals_.isValid()) {
        return;
    }
    watcher_ = std::jthread([this](std::stop_token ownStop) {
        // Short waits, so the watcher also notices its own end when the tool finishes.
        while (!ownStop.stop_requested()) {
            pollfd wakeUp{signals_.readFd(), POLLIN, 0};
            if (::poll(&wakeUp, 1, 100) > 0) {
                source_.request_stop();
                return;
            }
        }
    });
}

TerminationRequests::~TerminationRequests()
{
    if (watcher_.joinable()) {
        watcher_.request_stop();
        watcher_.join();
    }
}
