#pragma once

#include "posix/UniqueFd.h"

#include <sys/types.h>

// The signal a child sends to say it is ready: gocryptfs's -notifypid sends SIGUSR1 once its
// volume is mounted, while it goes on serving it. Read through a signalfd, so the signal must be
// blocked in every thread of the process (blockInThisThread before any thread is started): it
// then waits to be read instead of taking its default effect, which for SIGUSR1 ends the process.
class ReadySignal
{
public:
    explicit ReadySignal(int signalNumber);

    // False when no signalfd could be made.
    bool isValid() const { return fd_.isValid(); }
    // Readable once a signal arrived; non-blocking.
    int fd() const { return fd_.get(); }
    // Consumes the signals that arrived; true when one of them came from `pid`.
    bool arrivedFrom(pid_t pid);
    // Consumes the signals that arrived so far. Called before the child starts: a signal's second
    // sending while the first is unread is lost, so one pending from someone else would swallow
    // the child's.
    void discardArrived() { arrivedFrom(0); }

    // Blocks `signalNumber` in the calling thread and in every thread it starts afterwards.
    static void blockInThisThread(int signalNumber);

private:
    UniqueFd fd_;
};
