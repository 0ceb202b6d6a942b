#include "posix/PipeReader.h"

#include "posix/PosixCategory.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <vector>

struct PipeReader::State
{
    State(UniqueFd readingEnd, std::size_t maximumBytes)
        : fd(std::move(readingEnd))
        , wakeUp(::eventfd(0, EFD_CLOEXEC))
        , maximumBytes(maximumBytes)
    {
        if (!wakeUp.isValid()) {
            throw std::system_error(errno, posixCategory());
        }
    }

    void append(const char* bytes, std::size_t length)
    {
        std::lock_guard lock(mutex);
        if (captured.data.size() >= maximumBytes) {
            captured.wasTruncated = true;
            return;
        }
        const std::size_t room = maximumBytes - captured.data.size();
        if (length > room) {
            captured.data.append(bytes, room);
            captured.wasTruncated = true;
            return;
        }
        captured.data.append(bytes, length);
    }

    void stop(bool endedByItself, std::optional<std::string> readError)
    {
        {
            std::lock_guard lock(mutex);
            stopped = true;
            finished = endedByItself;
            captured.readError = std::move(readError);
        }
        stoppedChanged.notify_all();
    }

    const UniqueFd fd;
    const UniqueFd wakeUp;
    const std::size_t maximumBytes;

    mutable std::mutex mutex;
    std::condition_variable stoppedChanged;
    Captured captured;
    bool stopped = false;
    bool finished = false;
};

PipeReader::PipeReader(UniqueFd readingEnd, std::size_t maximumBytes)
    : state_(std::make_shared<State>(std::move(readingEnd), maximumBytes))
    , thread_([state = state_] { drain(state); })
{
}

PipeReader::~PipeReader()
{
    abandon();
    if (waitUntilStopped(std::chrono::steady_clock::now() + std::chrono::seconds(2))) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void PipeReader::drain(const std::shared_ptr<State>& state)
{
    std::vector<char> chunk(chunkBytes);
    for (;;) {
        pollfd watched[2] = {{state->fd.get(), POLLIN, 0}, {state->wakeUp.get(), POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            state->stop(true, posixCategory().message(errno));
            return;
        }
        if (watched[1].revents != 0) {
            state->stop(false, std::nullopt);
            return;
        }
        if (watched[0].revents == 0) {
            continue;
        }
        const ssize_t count = ::read(state->fd.get(), chunk.data(), chunk.size());
        if (count > 0) {
            state->append(chunk.data(), static_cast<std::size_t>(count));
        } else if (count == 0) {
            state->stop(true, std::nullopt);
            return;
        } else if (errno != EINTR && errno != EAGAIN) {
            state->stop(true, posixCategory().message(errno));
            return;
        }
    }
}

bool PipeReader::waitUntilStopped(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(state_->mutex);
    return state_->stoppedChanged.wait_until(lock, deadline, [this] { return state_->stopped; });
}

void PipeReader::abandon()
{
    const std::uint64_t one = 1;
    // An eventfd write of 1 cannot fail short of a counter overflow, which one write never causes.
    [[maybe_unused]] const ssize_t written = ::write(state_->wakeUp.get(), &one, sizeof one);
}

bool PipeReader::finished() const
{
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}

PipeReader::Captured PipeReader::captured() const
{
    std::lock_guard lock(state_->mutex);
    return state_->captured;
}
