#pragma once

#include <QStringList>

#include <functional>
#include <stop_token>

// What every stand-in's main does around its command: termination signals become a stop request
// (so a half-done step is undone), and a failure becomes its message on standard error and its
// exit status.
class StandInMain
{
public:
    using Command = std::function<int(const QStringList& arguments, std::stop_token stop)>;

    static int run(int argc, char** argv, const Command& command);
};
