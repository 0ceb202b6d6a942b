#include "posix/ReadySignal.h"

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>

namespace {

sigset_t only(int signalNumber)
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signalNumber);
    return set;
}

} // namespace

ReadySignal::ReadySignal(int signalNumber)
{
    const sigset_t set = only(signalNumber);
    fd_.reset(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
}

bool ReadySignal::arrivedFrom(pid_t pid)
{
    bool fromPid = false;
    signalfd_siginfo arrived{};
    while (fd_.isValid() && ::read(fd_.get(), &arrived, sizeof arrived) == static_cast<ssize_t>(sizeof arrived)) {
        fromPid = fromPid || static_cast<pid_t>(arrived.ssi_pid) == pid;
    }
    return fromPid;
}

void ReadySignal::blockInThisThread(int signalNumber)
{
    const sigset_t set = only(signalNumber);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}
