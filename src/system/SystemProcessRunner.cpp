#include "system/SystemProcessRunner.h"

#include "system/ChildProcess.h"

SystemProcessRunner::SystemProcessRunner() : SystemProcessRunner(SystemToolTable::fixed())
{
}

SystemProcessRunner::SystemProcessRunner(SystemToolTable tools)
    : tools_(std::move(tools))
    , executor_(QStringLiteral("com.kovara.system-process-runner"))
{
}

QCoro::Task<SystemProcessResult> SystemProcessRunner::run(SystemTool tool, QStringList arguments,
                                                          std::optional<QByteArrayView> standardInput,
                                                          std::stop_token cancellation)
{
    // The executor is serial, so tool runs never overlap and start in the order they were asked for.
    // The awaitable is a named local: GCC 12 destroys a lambda temporary inside a co_await
    // expression twice.
    auto blockingRun = executor_.run([this, tool, arguments, standardInput, cancellation] {
        return ChildProcess::run(tools_.spec(tool), arguments, {.standardInput = standardInput}, cancellation);
    });
    co_return co_await blockingRun;
}

SystemProcessResult SystemProcessRunner::runAndWait(SystemTool tool, const QStringList& arguments,
                                                    std::optional<QByteArrayView> standardInput,
                                                    std::stop_token cancellation)
{
    return executor_.runAndWait([&] {
        return ChildProcess::run(tools_.spec(tool), arguments, {.standardInput = standardInput}, cancellation);
    });
}
