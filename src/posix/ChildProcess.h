#pragma once

#include "posix/UniqueFd.h"

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

class ReadySignal;

// One child process run to its end on the calling thread, which it blocks throughout. It is the
// machinery under SystemProcessRunner, public so that the disk-image stand-ins start their own
// helper programs the same safe way.
//
// The child is `program.executable` (an absolute path: no search path, no shell) with `arguments`
// after the program name; it inherits the environment, the working directory and nothing but its
// three standard streams. Standard output and standard error are each captured up to
// `maximumCapturedBytes`, or discarded. A non-zero status is a result, not an error. Failures are
// thrown as ChildProcessFailure, named by `program.displayName`:
// - cancelled: `cancellation` was requested before the launch (nothing is started) or while the
//   child ran (its process group gets SIGTERM, then SIGKILL once the child has ended or after a
//   2 s grace);
// - failed with status -1: the launch failed (the Portuguese text of the error), or the standard
//   input could not be sent;
// - timedOut: `program.timeout` passed after the standard input was sent;
// - failed with the child's status: the output could not be read to its end after the child ended
//   (a grandchild kept it open), or a read failed;
// - outputTooLarge: a stream exceeded the cap.
// Whatever happens, the child has ended and been reaped before `run` returns or throws, unless it
// said it was ready (Options::readySignal). The child leads a process group of its own; a time-out
// or cancellation ends the whole group, so what the child started ends with it (a daemon that made
// a session of its own is not in the group).
class ChildProcess
{
public:
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    static constexpr std::size_t maximumCapturedBytes = 4'194'304;

    // Where one of the child's output streams goes.
    enum class Output {
        // Read into the result, to the stream's end.
        captured,
        // The null device. There is then nothing to read to its end: a child that leaves a daemon
        // behind (which inherits the stream) is done as soon as the child itself exits, and the
        // daemon holds no pipe of ours.
        discarded,
    };

    struct Program
    {
        // An absolute path, in the file system's own encoding.
        std::string executable;
        // The name failure texts give the program.
        std::string displayName;
        // Counted from the moment the standard input has been sent; none lets it run until it ends.
        std::optional<std::chrono::milliseconds> timeout;
    };

    struct Options
    {
        // Written once, straight from the caller's bytes (no copy is made, so a password can be
        // wiped by its owner afterwards), then closed; without it the child reads the null device.
        std::optional<std::string_view> standardInput;
        Output standardOutput = Output::captured;
        Output standardError = Output::captured;
        // For a child that serves once it is ready: it starts in a session of its own, and the run
        // ends as soon as it sends this signal, leaving it running, out of this object's reach
        // (never signalled nor reaped). Its output streams must be discarded.
        ReadySignal* readySignal = nullptr;
    };

    // A discarded stream comes back empty.
    struct Result
    {
        std::int32_t terminationStatus = 0;
        std::string standardOutput;
        std::string standardError;
        // The child reported it was ready and runs on; it has no status.
        bool isStillRunning = false;
    };

    static Result run(const Program& program, const std::vector<std::string>& arguments, const Options& options,
                      std::stop_token cancellation = {});

private:
    enum class Outcome {
        finished,
        ready,
        timedOut,
        cancelled
    };

    explicit ChildProcess(const Program& program);
    ~ChildProcess();

    Result runToEnd(const std::vector<std::string>& arguments, const Options& options,
                    const std::stop_token& cancellation);
    // A descriptor of -1 gives the child the null device for that stream.
    void launch(const std::vector<std::string>& arguments, int standardInput, int standardOutput, int standardError,
                bool ownSession);

    // Cancellation: the request may arrive on any thread, before or after the launch.
    void requestCancellation();
    bool cancellationRequested();
    // To the child and its process group.
    void signal(int signalNumber);
    void signalLocked(int signalNumber);

    Outcome waitForExit(ReadySignal* readySignal);
    // Also returns, false, when `readySignal` has something to read.
    bool waitForExitSignal(std::chrono::milliseconds limit, const ReadySignal* readySignal = nullptr);
    void stopAndWait();
    void reap();

    const Program& program_;
    pid_t pid_ = -1;
    // Signals go through a process descriptor, never a bare pid, so a child that has been reaped
    // (and whose pid the system may have reused) can never be hit by a late cancellation.
    UniqueFd processDescriptor_;
    std::int32_t terminationStatus_ = -1;

    // Guards the flags below; reaping takes it too, so no signal can follow the reap.
    std::mutex cancellationMutex_;
    bool reaped_ = false;
    // Left running once it said it was ready.
    bool released_ = false;
    bool cancelled_ = false;
    bool registered_ = false;
    // A stop was signalled: the group is killed once the child has ended.
    bool stopping_ = false;
};
