#pragma once

#include "posix/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>

// Drains the reading end of one pipe on a thread of its own while a child process runs. It keeps
// at most `maximumBytes` and discards the rest, but always reads on to the end of file, so the
// child can never block on a full pipe.
class PipeReader
{
public:
    struct Captured
    {
        std::string data;
        bool wasTruncated = false;
        // The Portuguese text of a failed read (reading stops there; the bytes before it are kept).
        std::optional<std::string> readError;
    };

    static constexpr std::size_t chunkBytes = 65'536;

    // Takes ownership of `readingEnd` and starts reading at once.
    PipeReader(UniqueFd readingEnd, std::size_t maximumBytes);
    // Abandons a reader that is still busy (it holds shared state, so it may outlive this object).
    ~PipeReader();

    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

    // Waits until the reader has stopped (end of file, read error or abandonment) or `deadline`
    // has passed; returns whether it stopped.
    bool waitUntilStopped(std::chrono::steady_clock::time_point deadline);

    // Makes a reader blocked on a pipe that never ends (a grandchild still holds its writing end)
    // give up. Closing the descriptor would not do: on Linux a blocked read survives close().
    void abandon();

    // True when the reader ended by itself, at the end of file or at a read error, rather than
    // being abandoned.
    bool finished() const;

    Captured captured() const;

private:
    struct State;

    static void drain(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};
