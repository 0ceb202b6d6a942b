#pragma once

#include "posix/ChildProcess.h"
#include "posix/ReadySignal.h"

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// How a stand-in runs one of its helper programs (gocryptfs, fusermount3): a ChildProcess with no
// time-out (only a stop request ends it early) and standard output discarded unless the run is
// one whose output is its answer (a check's report, the key asked for). gocryptfs would print a
// new volume's master key there, and the daemon gocryptfs leaves behind must hold no pipe of the
// stand-in's, and so none of the app's.
class HelperProcess
{
public:
    // `standardError` is discarded for a program that leaves a daemon behind; captured otherwise.
    // A failure to run becomes the stand-in's ToolFailure ("Operação interrompida." when `stop`
    // ended it).
    static ChildProcess::Result run(const std::string& executable, const std::vector<std::string>& arguments,
                                    std::optional<std::string_view> standardInput, ChildProcess::Output standardError,
                                    std::stop_token stop);

    // Starts a helper that goes on serving once it is ready (gocryptfs mounting in the foreground),
    // both output streams discarded: returns when it reports ready with `readySignal`, leaving it
    // running in a session of its own (Result::isStillRunning), or when it ends first.
    static ChildProcess::Result startServing(const std::string& executable, const std::vector<std::string>& arguments,
                                             std::string_view standardInput, ReadySignal& readySignal,
                                             std::stop_token stop);

    // The same run with both output streams captured, for a helper that leaves nothing behind.
    static ChildProcess::Result runReadingOutput(const std::string& executable,
                                                 const std::vector<std::string>& arguments,
                                                 std::optional<std::string_view> standardInput, std::stop_token stop);

private:
    static ChildProcess::Result run(const std::string& executable, const std::vector<std::string>& arguments,
                                    const ChildProcess::Options& options, std::stop_token stop);
};
