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

sigset_t interruptions()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

InterruptCleanup::InterruptCleanup(std::function<void()> cleanUp) : cleanUp_(std::move(cleanUp))
{
    const sigset_t set = interruptions();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signals_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    finished_ = ::eventfd(0, EFD_CLOEXEC);
    watcher_ = std::thread([this] {
        pollfd watched[2] = {{signals_, POLLIN, 0}, {finished_, POLLIN, 0}};
        while (::poll(watched, 2, -1) < 0 && errno == EINTR) {
        }
        signalfd_siginfo received {};
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
