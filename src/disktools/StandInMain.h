#pragma once

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

// What every stand-in's main does around its command: termination signals become a stop request
// (so a half-done step is undone), and a failure becomes its message on standard error and its
// exit status. Arguments and paths are the bytes the caller passed, as the file system takes them.
class StandInMain
{
public:
    using Command = std::function<int(const std::vector<std::string>& arguments, std::stop_token stop)>;

    enum class Termination {
        // A termination signal becomes a stop request the command checks between its steps.
        stopsBetweenSteps,
        // For a command with nothing to undo: the signals keep their default action and no
        // thread watches for them, so the process has no thread but the main one (the eject
        // replaces itself with fusermount3). Its stop token is never requested.
        endsAtOnce,
    };

    static int run(int argc, char** argv, const Command& command,
                   Termination termination = Termination::stopsBetweenSteps);
};
