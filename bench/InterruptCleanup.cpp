#include "InterruptCleanup.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

// Blocks the interruptions in the calling thread (and so in every thread it starts later) and
// returns a descriptor to read them from.
int blockedInterruptions()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return ::signalfd(-1, &set, SFD_CLOEXEC);
}

} // namespace

InterruptCleanup::InterruptCleanup(std::function<void()> cleanUp)
    : signals_(blockedInterruptions())
    , finished_(::eventfd(0, EFD_CLOEXEC))
    , cleanUp_(std::move(cleanUp))
{
    watcher_ = std::thread([this] {
        pollfd watched[2] = {{signals_, POLLIN, 0}, {finished_, POLLIN, 0}};
        while (::poll(watched, 2, -1) < 0 && errno == EINTR) {
        }
        signalfd_siginfo received{};
        if (watched[1].revents != 0 || ::read(signals_, &received, sizeof received) != sizeof received) {
            return;
        }
        std::fprintf(stderr, "\nkovara-bench: interrupted; unmounting and removing the bench folder\n");
        cleanUp_();
        ::_exit(128 + static_cast<int>(received.ssi_signo));
    });
}

InterruptCleanup::~InterruptCleanup()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(finished_, &one, sizeof one);
    watcher_.join();
    ::close(signals_);
    ::close(finished_);
}
