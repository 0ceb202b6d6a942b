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

    static int run(int argc, char** argv, const Command& command);
};
