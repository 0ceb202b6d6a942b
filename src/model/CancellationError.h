#pragma once

#include <exception>

// The task-cancellation error: thrown where a service notices that its stop token was triggered
// (the runner between 100 ms slices, the copier between chunks, walks per entry).
class CancellationError : public std::exception
{
public:
    const char* what() const noexcept override { return "A operação foi cancelada."; }
};
