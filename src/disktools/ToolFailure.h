#pragma once

#include <optional>
#include <stdexcept>
#include <string>

// A stand-in's refusal to do what it was asked: the message is written to standard error and
// the status becomes the exit status (1 unless a caller relies on another one).
class ToolFailure : public std::runtime_error
{
public:
    explicit ToolFailure(const std::string& message, std::optional<int> exitStatus = std::nullopt)
        : std::runtime_error(message)
        , exitStatus_(exitStatus)
    {
    }

    std::string message() const { return what(); }
    int exitStatus() const { return exitStatus_.value_or(1); }
    // False for the plain status 1, which a command may give a meaning of its own.
    bool hasOwnStatus() const { return exitStatus_.has_value(); }

private:
    std::optional<int> exitStatus_;
};
