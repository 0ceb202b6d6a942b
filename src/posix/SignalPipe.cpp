#include "posix/SignalPipe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int wakeWrite = -1;

// The handler may only do async-signal-safe work: one write.
void writeWakeByte(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalPipe::SignalPipe()
{
    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    readFd_ = wake[0];
    wakeWrite = wake[1];
    struct sigaction action
    {
    };
    action.sa_handler = writeWakeByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(watchedSignals); ++i) {
        sigaction(watchedSignals[i], &action, &previous_[i]);
    }
}

SignalPipe::~SignalPipe()
{
    if (readFd_ < 0) {
        return;
    }
    for (std::size_t i = 0; i < std::size(watchedSignals); ++i) {
        sigaction(watchedSignals[i], &previous_[i], nullptr);
    }
    ::close(readFd_);
    ::close(wakeWrite);
    wakeWrite = -1;
}

int SignalPipe::takeSignal()
{
    char byte = 0;
    return readFd_ >= 0 && ::read(readFd_, &byte, 1) == 1 ? static_cast<unsigned char>(byte) : 0;
}

void SignalPipe::wake()
{
    writeWakeByte(0);
}
