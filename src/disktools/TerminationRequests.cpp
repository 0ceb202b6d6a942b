#include "disktools/TerminationRequests.h"

#include <ctime>
#include <pthread.h>

TerminationRequests::TerminationRequests()
{
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    watcher_ = std::jthread([this](std::stop_token ownStop) {
        // Short waits, so the watcher also notices its own end when the tool finishes.
        const timespec slice{0, 100'000'000};
        while (!ownStop.stop_requested()) {
            if (sigtimedwait(&signals_, nullptr, &slice) > 0) {
                source_.request_stop();
                return;
            }
        }
    });
}

TerminationRequests::~TerminationRequests()
{
    watcher_.request_stop();
    watcher_.join();
}
