#include "posix/ChildProcess.h"

#include "posix/ChildProcessFailure.h"
#include "posix/PipeReader.h"
#include "posix/PosixCategory.h"
#include "posix/ReadySignal.h"

#include <fcntl.h>
#include <poll.h>
// sigaction and the signal-set calls are POSIX, declared in the C header.
#include <signal.h> // NOLINT(modernize-deprecated-headers)
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

using namespace std::chrono_literals;

namespace {

// How long a child gets to end after SIGTERM before it is killed.
constexpr auto terminationGrace = 2s;
// The waiting loop notices cancellation and the time-out within one slice.
constexpr auto waitSlice = 100ms;
// After the child ended, its output normally ends at once; a grandchild that inherited the pipes
// may keep them open for ever, so the readers get this long before they are abandoned...
constexpr auto readerCompletionLimit = 5s;
// ...and this long to stop once abandoned.
constexpr auto readerAbandonLimit = 2s;

// Called directly: the C library's own declarations of these two lack C linkage for C++.
int openProcessDescriptor(pid_t pid)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

struct Pipe
{
    UniqueFd readingEnd;
    UniqueFd writingEnd;
};

// A descriptor below 3 would be one of the child's own standard streams: dup2 onto itself would
// keep its close-on-exec flag, and a later dup2 could overwrite it before it was used. Moving
// every pipe end above the standard streams avoids both.
UniqueFd aboveStandardStreams(int fd)
{
    if (fd > STDERR_FILENO) {
        return UniqueFd(fd);
    }
    UniqueFd original(fd);
    return UniqueFd(::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

// Returns the error number on failure.
std::optional<int> makePipe(Pipe& pipe)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return errno;
    }
    pipe.readingEnd = aboveStandardStreams(ends[0]);
    pipe.writingEnd = aboveStandardStreams(ends[1]);
    if (!pipe.readingEnd.isValid() || !pipe.writingEnd.isValid()) {
        return errno;
    }
    return std::nullopt;
}

// Writes every byte straight from the caller's buffer. A child that exits without reading would
// make the write raise SIGPIPE, which would end the whole application: the signal is blocked on
// this thread for the write and a SIGPIPE it caused is consumed before unblocking.
bool writeAll(int fd, std::string_view bytes)
{
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previousMask;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);

    const char* next = bytes.data();
    std::size_t remaining = bytes.size();
    bool sent = true;
    while (remaining > 0) {
        const ssize_t written = ::write(fd, next, remaining);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EPIPE && !sigismember(&pendingBefore, SIGPIPE)) {
                const timespec noWait{};
                sigtimedwait(&pipeSignal, nullptr, &noWait);
            }
            sent = false;
            break;
        }
        next += written;
        remaining -= static_cast<std::size_t>(written);
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    return sent;
}

// The pipe of a stream that is captured (or fed, for standard input); none for the null device.
std::optional<Pipe> pipeWhen(bool wanted, const std::string& displayName)
{
    if (!wanted) {
        return std::nullopt;
    }
    Pipe pipe;
    if (const std::optional<int> failure = makePipe(pipe)) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::failed, displayName, -1,
                                  posixCategory().message(*failure));
    }
    return pipe;
}

int childEnd(const std::optional<Pipe>& pipe, bool reading)
{
    return !pipe ? -1 : reading ? pipe->readingEnd.get() : pipe->writingEnd.get();
}

// Waits for the readers of the captured streams; true only when each read its stream to its end
// by itself.
bool waitForReaders(std::optional<PipeReader>& output, std::optional<PipeReader>& error)
{
    std::vector<PipeReader*> readers;
    for (std::optional<PipeReader>* reader : {&output, &error}) {
        if (*reader) {
            readers.push_back(&**reader);
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + readerCompletionLimit;
    const bool stopped = std::all_of(readers.begin(), readers.end(),
                                     [deadline](PipeReader* reader) { return reader->waitUntilStopped(deadline); });
    if (!stopped) {
        for (PipeReader* reader : readers) {
            reader->abandon();
        }
        const auto abandonDeadline = std::chrono::steady_clock::now() + readerAbandonLimit;
        for (PipeReader* reader : readers) {
            reader->waitUntilStopped(abandonDeadline);
        }
    }
    return std::all_of(readers.begin(), readers.end(), [](PipeReader* reader) { return reader->finished(); });
}

PipeReader::Captured capturedBy(const std::optional<PipeReader>& reader)
{
    return reader ? reader->captured() : PipeReader::Captured{};
}

class SpawnSettings
{
public:
    SpawnSettings()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings()
    {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

ChildProcess::Result ChildProcess::run(const Program& program, const std::vector<std::string>& arguments,
                                       const Options& options, std::stop_token cancellation)
{
    ChildProcess child(program);
    return child.runToEnd(arguments, options, cancellation);
}

ChildProcess::ChildProcess(const Program& program) : program_(program)
{
}

ChildProcess::~ChildProcess()
{
    // Only reached with a live child when something unexpected was thrown mid-run.
    if (pid_ > 0 && !reaped_ && !released_) {
        stopAndWait();
    }
}

ChildProcess::Result ChildProcess::runToEnd(const std::vector<std::string>& arguments, const Options& options,
                                            const std::stop_token& cancellation)
{
    // Runs at once if cancellation was already requested. It is destroyed (waiting for a call in
    // progress on another thread) before the process descriptor it uses is closed.
    std::stop_callback onCancellation(cancellation, [this] { requestCancellation(); });
    if (cancellationRequested()) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::cancelled, program_.displayName);
    }

    std::optional<Pipe> output = pipeWhen(options.standardOutput == Output::captured, program_.displayName);
    std::optional<Pipe> error = pipeWhen(options.standardError == Output::captured, program_.displayName);
    std::optional<Pipe> input = pipeWhen(options.standardInput.has_value(), program_.displayName);
    if (options.readySignal) {
        options.readySignal->discardArrived();
    }
    launch(arguments, childEnd(input, true), childEnd(output, false), childEnd(error, false),
           options.readySignal != nullptr);
    // The child holds its own copies; ours would keep the readers from ever seeing the end.
    for (std::optional<Pipe>* pipe : {&output, &error}) {
        if (*pipe) {
            (*pipe)->writingEnd.reset();
        }
    }
    if (input) {
        input->readingEnd.reset();
    }

    std::optional<PipeReader> outputReader;
    std::optional<PipeReader> errorReader;
    if (output) {
        outputReader.emplace(std::move(output->readingEnd), maximumCapturedBytes);
    }
    if (error) {
        errorReader.emplace(std::move(error->readingEnd), maximumCapturedBytes);
    }

    if (input) {
        const bool written = writeAll(input->writingEnd.get(), *options.standardInput);
        const bool closed = input->writingEnd.closeChecked();
        if (!written || !closed) {
            stopAndWait();
            waitForReaders(outputReader, errorReader);
            throw ChildProcessFailure(ChildProcessFailure::Kind::failed, program_.displayName, -1,
                                      "não foi possível enviar a entrada protegida");
        }
    }

    const Outcome outcome = waitForExit(options.readySignal);
    if (outcome == Outcome::ready) {
        return Result{.terminationStatus = 0, .standardOutput = {}, .standardError = {}, .isStillRunning = true};
    }
    if (!waitForReaders(outputReader, errorReader)) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::failed, program_.displayName, terminationStatus_,
                                  "a leitura da saída não terminou após o encerramento do processo");
    }
    if (outcome == Outcome::timedOut) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::timedOut, program_.displayName);
    }
    if (outcome == Outcome::cancelled) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::cancelled, program_.displayName);
    }
    PipeReader::Captured capturedOutput = capturedBy(outputReader);
    PipeReader::Captured capturedError = capturedBy(errorReader);
    if (const std::optional<std::string>& readError =
            capturedOutput.readError ? capturedOutput.readError : capturedError.readError) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::failed, program_.displayName, terminationStatus_,
                                  "falha ao ler a saída: " + *readError);
    }
    if (capturedOutput.wasTruncated || capturedError.wasTruncated) {
        throw ChildProcessFailure(ChildProcessFailure::Kind::outputTooLarge, program_.displayName);
    }
    return Result{terminationStatus_, std::move(capturedOutput.data), std::move(capturedError.data)};
}

void ChildProcess::launch(const std::vector<std::string>& arguments, int standardInput, int standardOutput,
                          int standardError, bool ownSession)
{
    const auto launchFailed = [this](int errorNumber) {
        return ChildProcessFailure(ChildProcessFailure::Kind::failed, program_.displayName, -1,
                                   posixCategory().message(errorNumber));
    };
    if (!program_.executable.starts_with('/')) {
        throw launchFailed(EINVAL);
    }

    SpawnSettings settings;
    // Every call is made; the first failure is the one reported.
    int failure = 0;
    const auto check = [&failure](int result) {
        if (failure == 0) {
            failure = result;
        }
    };
    check(standardInput >= 0
              ? posix_spawn_file_actions_adddup2(&settings.actions, standardInput, STDIN_FILENO)
              : posix_spawn_file_actions_addopen(&settings.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0));
    for (const auto& [fd, target] :
         {std::pair{standardOutput, STDOUT_FILENO}, std::pair{standardError, STDERR_FILENO}}) {
        check(fd >= 0 ? posix_spawn_file_actions_adddup2(&settings.actions, fd, target)
                      : posix_spawn_file_actions_addopen(&settings.actions, target, "/dev/null", O_WRONLY, 0));
    }
    // Our own descriptors are all close-on-exec, but a library's might not be.
    check(posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1));
    // The child starts with no blocked signals and default dispositions, whatever this thread
    // blocks or the application ignores (an ignored SIGPIPE would otherwise carry over).
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t catchableSignals;
    sigfillset(&catchableSignals);
    sigdelset(&catchableSignals, SIGKILL);
    sigdelset(&catchableSignals, SIGSTOP);
    check(posix_spawnattr_setsigmask(&settings.attributes, &noSignals));
    check(posix_spawnattr_setsigdefault(&settings.attributes, &catchableSignals));
    // The child leads a process group of its own, which whatever it starts joins: stopping the
    // run signals the group, so a helper's own children (gocryptfs forks the process that mounts)
    // end with it instead of living on, and a signal meant for the caller's group misses the run.
    // A child left running once ready leads a session of its own, and so a group of its own too.
    check(posix_spawnattr_setpgroup(&settings.attributes, 0));
    check(
        posix_spawnattr_setflags(&settings.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                           (ownSession ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP)));
    if (failure != 0) {
        throw launchFailed(failure);
    }

    // posix_spawn takes non-const strings for C's sake but never writes to them.
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program_.executable.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = -1;
    failure =
        posix_spawn(&pid, program_.executable.c_str(), &settings.actions, &settings.attributes, argv.data(), environ);
    if (failure != 0) {
        throw launchFailed(failure);
    }
    pid_ = pid;

    UniqueFd descriptor(openProcessDescriptor(pid_));
    if (!descriptor.isValid()) {
        const int openFailure = errno;
        ::kill(pid_, SIGKILL);
        reap();
        throw launchFailed(openFailure);
    }
    bool cancelledBeforeRegistration = false;
    {
        std::lock_guard lock(cancellationMutex_);
        processDescriptor_ = std::move(descriptor);
        registered_ = true;
        cancelledBeforeRegistration = cancelled_;
    }
    // A cancellation that arrived between the first check and the launch still stops the child.
    if (cancelledBeforeRegistration) {
        signal(SIGTERM);
    }
}

void ChildProcess::requestCancellation()
{
    std::lock_guard lock(cancellationMutex_);
    cancelled_ = true;
    if (registered_) {
        signalLocked(SIGTERM);
    }
}

bool ChildProcess::cancellationRequested()
{
    std::lock_guard lock(cancellationMutex_);
    return cancelled_;
}

void ChildProcess::signal(int signalNumber)
{
    std::lock_guard lock(cancellationMutex_);
    signalLocked(signalNumber);
}

// The group's number is the child's pid, which the system cannot give to another process before
// the child has been reaped; reaping takes the same lock, so a late cancellation on another thread
// never reaches a stranger's group. The child itself is signalled through its process descriptor.
void ChildProcess::signalLocked(int signalNumber)
{
    // Before the child is registered there is no group of its own to signal: kill(-pid) with no
    // pid yet would reach init (-1) or this very process group (0).
    if (reaped_ || released_ || !registered_ || pid_ <= 0) {
        return;
    }
    stopping_ = stopping_ || signalNumber == SIGTERM || signalNumber == SIGKILL;
    ::syscall(SYS_pidfd_send_signal, processDescriptor_.get(), signalNumber, nullptr, 0);
    ::kill(-pid_, signalNumber);
}

ChildProcess::Outcome ChildProcess::waitForExit(ReadySignal* readySignal)
{
    // The time-out counts from now, after the standard input was sent.
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const bool exited = waitForExitSignal(waitSlice, readySignal);
        if (cancellationRequested()) {
            stopAndWait();
            return Outcome::cancelled;
        }
        if (exited) {
            reap();
            return Outcome::finished;
        }
        if (readySignal && readySignal->arrivedFrom(pid_)) {
            std::lock_guard lock(cancellationMutex_);
            released_ = true;
            return Outcome::ready;
        }
        if (program_.timeout && std::chrono::steady_clock::now() - start >= *program_.timeout) {
            stopAndWait();
            return Outcome::timedOut;
        }
    }
}

// True once the child has exited (it need not have been reaped yet).
bool ChildProcess::waitForExitSignal(std::chrono::milliseconds limit, const ReadySignal* readySignal)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd watched[] = {{processDescriptor_.get(), POLLIN, 0}, {readySignal ? readySignal->fd() : -1, POLLIN, 0}};
        const int ready =
            ::poll(watched, 2, static_cast<int>(std::max(left.count(), std::chrono::milliseconds::rep{0})));
        if (ready > 0) {
            return (watched[0].revents & POLLIN) != 0;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

void ChildProcess::stopAndWait()
{
    if (reaped_) {
        return;
    }
    if (!waitForExitSignal(0ms)) {
        signal(SIGTERM);
    }
    bool stopping = false;
    {
        std::lock_guard lock(cancellationMutex_);
        stopping = stopping_;
    }
    // A run that was told to stop ends whole: whatever of its group outlived the child, or the
    // grace, is killed. A child that had already finished by itself leaves its group alone.
    if (stopping) {
        waitForExitSignal(terminationGrace);
        signal(SIGKILL);
    }
    reap();
}

void ChildProcess::reap()
{
    int status = 0;
    std::lock_guard lock(cancellationMutex_);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    // As the platform reports it: the exit status, or the number of the signal that ended the child.
    terminationStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? WTERMSIG(status) : status;
}
