#pragma once

#include <csignal>
#include <iterator>

// Turns SIGTERM, SIGINT and SIGHUP into bytes on a pipe (the self-pipe technique): the handler
// only writes one byte, the one async-signal-safe thing it needs, and the program reads the pipe
// wherever it can do real work (an event loop, a watcher thread).
//
// The signals are caught rather than blocked, so programs started meanwhile inherit an untouched
// signal mask (exec resets caught signals to their defaults). One instance per process; its
// destructor puts the previous handlers back.
class SignalPipe
{
public:
    SignalPipe();
    ~SignalPipe();

    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // False when no pipe could be made: the signals then keep their default effect.
    bool isValid() const { return readFd_ >= 0; }
    // Readable once a signal arrived; non-blocking.
    int readFd() const { return readFd_; }
    // Consumes one arrived signal and returns its number; 0 when none is waiting.
    int takeSignal();
    // Makes the pipe readable without a signal (takeSignal then answers 0), so that a thread
    // waiting on it can be told to end.
    void wake();

private:
    static constexpr int watchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

    int readFd_ = -1;
    struct sigaction previous_[std::size(watchedSignals)]{};
};
