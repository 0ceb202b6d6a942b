#pragma once

#include <QString>

#include <stdexcept>

// A stand-in's refusal to do what it was asked: the message is written to standard error and
// the status becomes the exit status (1 unless a caller relies on another one).
class ToolFailure : public std::runtime_error
{
public:
    explicit ToolFailure(const QString& message, int exitStatus = 1)
        : std::runtime_error(message.toStdString())
        , message_(message)
        , exitStatus_(exitStatus)
    {
    }

    const QString& message() const { return message_; }
    int exitStatus() const { return exitStatus_; }

private:
    QString message_;
    int exitStatus_;
};
