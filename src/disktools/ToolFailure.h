#pragma once

#include <stdexcept>
#include <string>

// A stand-in's refusal to do what it was asked: the message is written to standard error and
// the status becomes the exit status (1 unless a caller relies on another one).
class ToolFailure : public std::runtime_error
{
public:
    explicit ToolFailure(const std::string& message, int exitStatus = 1)
        : std::runtime_error(message)
        , exitStatus_(exitStatus)
    {
    }

    std::string message() const { return what(); }
    int exitStatus() const { return exitStatus_; }

private:
    int exitStatus_;
};
