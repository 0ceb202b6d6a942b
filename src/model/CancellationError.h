#pragma once

#include <exception>
#include <stop_token>

// The task-cancellation error: thrown where a service notices that its stop token was triggered
// (the runner between 100 ms slices, the copier between chunks, walks per entry).
class CancellationError : public std::exception
{
public:
    const char* what() const noexcept override { return "A operação foi cancelada."; }
};

// Throws CancellationError when the caller has asked the operation to stop.
inline void throwIfCancelled(const std::stop_token& cancellation)
{
    if (cancellation.stop_requested()) {
        throw CancellationError();
    }
}
