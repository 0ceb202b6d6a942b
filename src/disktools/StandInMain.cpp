#include "disktools/StandInMain.h"

#include "disktools/TerminationRequests.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "posix/CoreDumpProtection.h"
#include "posix/ReadySignal.h"

#include <algorithm>
#include <csignal>
#include <exception>
#include <optional>

int StandInMain::run(int argc, char** argv, const Command& command, Termination termination)
{
    // Every stand-in may read a password from its standard input.
    CoreDumpProtection::apply();
    // gocryptfs says it has mounted with SIGUSR1; blocked before any thread starts, it waits to be
    // read instead of ending the tool.
    ReadySignal::blockInThisThread(SIGUSR1);
    std::optional<TerminationRequests> requests;
    if (termination == Termination::stopsBetweenSteps) {
        requests.emplace();
    }
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    try {
        return command(arguments, requests ? requests->token() : std::stop_token());
    } catch (const ToolFailure& failure) {
        ToolOutput::failure(failure.message());
        return failure.exitStatus();
    } catch (const std::exception& error) {
        ToolOutput::failure(error.what());
        return 1;
    }
}
