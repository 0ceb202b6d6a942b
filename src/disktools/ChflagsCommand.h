#pragma once

#include <string>
#include <vector>

// kovara-chflags `hidden PATH…` and `nohidden PATH…`: sets or clears the hidden flag (see
// HiddenFlag) of each path. Every path is tried; the exit status is 1 when any failed, each
// failure reported on its own line of standard error.
class ChflagsCommand
{
public:
    static int run(const std::vector<std::string>& arguments);
};
