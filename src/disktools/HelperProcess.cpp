#include "disktools/HelperProcess.h"

#include "disktools/FilePath.h"
#include "disktools/ToolFailure.h"
#include "posix/ChildProcessFailure.h"

ChildProcess::Result HelperProcess::run(const std::string& executable, const std::vector<std::string>& arguments,
                                        std::optional<std::string_view> standardInput,
                                        ChildProcess::Output standardError, std::stop_token stop)
{
    return run(executable, arguments,
               {.standardInput = standardInput,
                .standardOutput = ChildProcess::Output::discarded,
                .standardError = standardError},
               std::move(stop));
}

ChildProcess::Result HelperProcess::startServing(const std::string& executable,
                                                 const std::vector<std::string>& arguments,
                                                 std::string_view standardInput, ReadySignal& readySignal,
                                                 std::stop_token stop)
{
    return run(executable, arguments,
               {.standardInput = standardInput,
                .standardOutput = ChildProcess::Output::discarded,
                .standardError = ChildProcess::Output::discarded,
                .readySignal = &readySignal},
               std::move(stop));
}

ChildProcess::Result HelperProcess::runReadingOutput(const std::string& executable,
                                                     const std::vector<std::string>& arguments,
                                                     std::optional<std::string_view> standardInput,
                                                     std::stop_token stop)
{
    return run(executable, arguments, {.standardInput = standardInput}, std::move(stop));
}

ChildProcess::Result HelperProcess::run(const std::string& executable, const std::vector<std::string>& arguments,
                                        const ChildProcess::Options& options, std::stop_token stop)
{
    const ChildProcess::Program program{executable, FilePath::fileName(executable), std::nullopt};
    try {
        return ChildProcess::run(program, arguments, options, stop);
    } catch (const ChildProcessFailure& failure) {
        // A stop can also surface as another failure (a helper stopped before it read its standard
        // input makes the write of the password fail): the stop is what happened.
        if (failure.kind() == ChildProcessFailure::Kind::cancelled || stop.stop_requested()) {
            throw ToolFailure("Operação interrompida.");
        }
        throw ToolFailure(failure.what());
    }
}
