#include "system/SystemProcessRunner.h"

#include "model/VaultError.h"
#include "posix/ChildProcess.h"
#include "posix/ChildProcessFailure.h"

#include <QFile>

#include <cstring>
#include <string>
#include <vector>

namespace {

// One run of `tool`, converted at the boundary: file-system encoded arguments, the caller's input
// bytes (still not copied), and the failures as the VaultError the app shows.
SystemProcessResult runTool(const SystemToolSpec& tool, const QStringList& arguments,
                            std::optional<QByteArrayView> standardInput, std::stop_token cancellation)
{
    const ChildProcess::Program program{QFile::encodeName(tool.executable).toStdString(),
                                        tool.displayName.toStdString(), tool.timeout};
    std::vector<std::string> encoded;
    encoded.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& argument : arguments) {
        encoded.push_back(QFile::encodeName(argument).toStdString());
    }
    std::optional<std::string_view> input;
    if (standardInput) {
        input.emplace(standardInput->data(), static_cast<std::size_t>(standardInput->size()));
    }
    try {
        ChildProcess::Result result =
            ChildProcess::run(program, encoded, {.standardInput = input}, std::move(cancellation));
        SystemProcessResult converted{result.terminationStatus, QByteArray::fromStdString(result.standardOutput),
                                      QByteArray::fromStdString(result.standardError), false, false};
        // An output can be a secret (a recovery key): the only copy left is the caller's.
        explicit_bzero(result.standardOutput.data(), result.standardOutput.size());
        return converted;
    } catch (const ChildProcessFailure& failure) {
        switch (failure.kind()) {
        case ChildProcessFailure::Kind::cancelled:
            throw VaultError(VaultError::Kind::operationCancelled);
        case ChildProcessFailure::Kind::failed:
            throw VaultError::commandFailed(tool.displayName, failure.terminationStatus(),
                                            QString::fromStdString(failure.detail()));
        case ChildProcessFailure::Kind::timedOut:
            throw VaultError::commandTimedOut(tool.displayName);
        case ChildProcessFailure::Kind::outputTooLarge:
            throw VaultError::commandOutputTooLarge(tool.displayName);
        }
        throw;
    }
}

} // namespace

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
        return runTool(tools_.spec(tool), arguments, standardInput, cancellation);
    });
    co_return co_await blockingRun;
}

SystemProcessResult SystemProcessRunner::runToEndAndWait(SystemTool tool, const QStringList& arguments,
                                                         std::optional<QByteArrayView> standardInput,
                                                         std::stop_token cancellation)
{
    SystemToolSpec untimed = tools_.spec(tool);
    untimed.timeout.reset();
    return executor_.runAndWait([&] { return runTool(untimed, arguments, standardInput, std::move(cancellation)); });
}

SystemProcessResult SystemProcessRunner::runAndWait(SystemTool tool, const QStringList& arguments,
                                                    std::optional<QByteArrayView> standardInput,
                                                    std::stop_token cancellation)
{
    return executor_.runAndWait(
        [&] { return runTool(tools_.spec(tool), arguments, standardInput, std::move(cancellation)); });
}
