#include "disktools/TerminationRequests.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The handler may only do async-signal-safe work: it wakes the watcher through a pipe.
int wakeWrite = -1;

void wakeWatcher(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
}

} // namespace

TerminationRequests::TerminationRequests()
{
    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        // Without the pipe a termination signal keeps its default effect: the tool just ends.
        return;
    }
    wakeRead_ = wake[0];
    wakeWrite = wake[1];
    struct sigaction action {};
    action.sa_handler = wakeWatcher;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(watchedSignals); ++i) {
        sigaction(watchedSignals[i], &action, &previous_[i]);
    }
    watcher_ = std::jthread([this](const std::stop_token& ownStop) {
        // Sleeps until a byte arrives: from the handler, or from the destructor when the tool
        // finishes. A timed wait here would hold every run of the tool back until it expired.
        pollfd wakeUp{wakeRead_, POLLIN, 0};
        while (::poll(&wakeUp, 1, -1) < 0 && errno == EINTR) {
        }
        if (!ownStop.stop_requested()) {
            source_.request_stop();
        }
    });
}

TerminationRequests::~TerminationRequests()
{
    if (wakeRead_ < 0) {
        return;
    }
    watcher_.request_stop();
    wakeWatcher(0);
    watcher_.join();
    for (std::size_t i = 0; i < std::size(watchedSignals); ++i) {
        sigaction(watchedSignals[i], &previous_[i], nullptr);
    }
    ::close(wakeRead_);
    ::close(wakeWrite);
    wakeWrite = -1;
}
