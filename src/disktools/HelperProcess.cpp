#include "disktools/HelperProcess.h"

#include "disktools/ToolFailure.h"
#include "platform/PosixError.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

constexpr qsizetype maximumCapturedBytes = 64 * 1024;
constexpr int pollSliceMilliseconds = 100;
constexpr auto terminationGrace = std::chrono::seconds(2);

[[noreturn]] void failToStart(const QString& executable, int error)
{
    throw ToolFailure("Não foi possível iniciar " + executable + ": " + posixErrorText(error));
}

std::pair<UniqueFd, UniqueFd> openPipe(const QString& executable)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        failToStart(executable, errno);
    }
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// posix_spawn's file actions and attributes, released on every path.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

std::vector<char*> pointersTo(std::vector<QByteArray>& strings)
{
    std::vector<char*> pointers;
    for (QByteArray& string : strings) {
        pointers.push_back(string.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// A child that exits without reading its input must not kill the stand-in with SIGPIPE: the
// signal is held back on this thread while writing, and a pending one is taken away after.
void writeAll(int fd, QByteArrayView bytes)
{
    sigset_t pipeSignal, previousMask;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, std::size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            // The child stopped reading (it exited early); its exit status tells what happened.
            if (errno == EPIPE) {
                const timespec noWait{0, 0};
                sigtimedwait(&pipeSignal, nullptr, &noWait);
            }
            break;
        }
        written += count;
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

// Reads what is available now; returns false at the end of the stream.
bool readAvailable(int fd, QByteArray& into)
{
    std::array<char, 16 * 1024> chunk;
    const ssize_t count = ::read(fd, chunk.data(), chunk.size());
    if (count < 0) {
        return errno == EINTR || errno == EAGAIN;
    }
    if (count == 0) {
        return false;
    }
    into.append(chunk.data(), std::min<qsizetype>(count, maximumCapturedBytes - into.size()));
    return true;
}

int exitStatusOf(int waitStatus)
{
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

// Waits for the child's exit through its pidfd, reaping it; returns false when `deadline`
// passed first.
bool waitForExit(pid_t pid, int pidFd, std::chrono::steady_clock::time_point deadline, int& waitStatus)
{
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd exitEvent{pidFd, POLLIN, 0};
        if (::poll(&exitEvent, 1, int(std::max<std::int64_t>(0, left.count()))) > 0) {
            while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
            }
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
    }
}

} // namespace

HelperProcess::Result HelperProcess::run(const QString& executable, const QStringList& arguments,
                                         const Options& options, std::stop_token stop)
{
    SpawnSetup setup;
    UniqueFd inputRead, inputWrite, errorRead, errorWrite;
    if (options.standardInput) {
        std::tie(inputRead, inputWrite) = openPipe(executable);
        posix_spawn_file_actions_adddup2(&setup.actions, inputRead.get(), STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (options.captureStandardError) {
        std::tie(errorRead, errorWrite) = openPipe(executable);
        posix_spawn_file_actions_adddup2(&setup.actions, errorWrite.get(), STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&setup.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);
    posix_spawn_file_actions_addchdir_np(&setup.actions, "/");

    sigset_t noSignals, allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&setup.attributes, &noSignals);
    posix_spawnattr_setsigdefault(&setup.attributes, &allSignals);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<QByteArray> argumentBytes{QFile::encodeName(executable)};
    for (const QString& argument : arguments) {
        argumentBytes.push_back(QFile::encodeName(argument));
    }
    std::vector<char*> argv = pointersTo(argumentBytes);

    pid_t pid = -1;
    const int spawnError = ::posix_spawn(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
    if (spawnError != 0) {
        failToStart(executable, spawnError);
    }
    inputRead.reset();
    errorWrite.reset();

    Result result;
    // A pidfd lets one poll wait for the child's exit and its standard error together.
    const UniqueFd pidFd(int(::syscall(SYS_pidfd_open, pid, 0)));
    if (!pidFd.isValid()) {
        const int error = errno;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        failToStart(executable, error);
    }
    if (options.standardInput) {
        writeAll(inputWrite.get(), *options.standardInput);
        inputWrite.reset();
    }

    int waitStatus = 0;
    while (true) {
        std::array<pollfd, 2> events{pollfd{pidFd.get(), POLLIN, 0}, pollfd{errorRead.get(), POLLIN, 0}};
        const nfds_t watched = errorRead.isValid() ? 2 : 1;
        const int ready = ::poll(events.data(), watched, pollSliceMilliseconds);
        if (ready > 0 && watched == 2 && events[1].revents != 0 && !readAvailable(errorRead.get(), result.standardError)) {
            errorRead.reset();
        }
        if (ready > 0 && events[0].revents != 0) {
            while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        if (stop.stop_requested()) {
            ::kill(pid, SIGTERM);
            if (!waitForExit(pid, pidFd.get(), std::chrono::steady_clock::now() + terminationGrace, waitStatus)) {
                ::kill(pid, SIGKILL);
                while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
                }
            }
            result.stopped = true;
            break;
        }
    }
    // Whatever the child wrote before it exited is already in the pipe; a daemon it left behind
    // may keep the pipe open, so read only what is there now.
    if (errorRead.isValid() && ::fcntl(errorRead.get(), F_SETFL, O_NONBLOCK) == 0) {
        while (readAvailable(errorRead.get(), result.standardError) && result.standardError.size() < maximumCapturedBytes) {
            pollfd more{errorRead.get(), POLLIN, 0};
            if (::poll(&more, 1, 0) <= 0) {
                break;
            }
        }
    }
    result.exitStatus = exitStatusOf(waitStatus);
    return result;
}
