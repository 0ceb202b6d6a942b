#pragma once

#include "platform/SerialExecutor.h"
#include "system/SystemProcessResult.h"
#include "system/SystemTool.h"

#include <QByteArrayView>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <optional>
#include <stop_token>

// The only component that starts external programs: one tool at a time on its serial executor,
// by absolute path with an explicit argument vector (never a shell, never a search path), with
// capped output, per-tool time-outs and cancellation through the caller's stop token. A non-zero
// exit status is a result, not an error; failures to run are thrown as VaultError.
class SystemProcessRunner
{
public:
    SystemProcessRunner();
    explicit SystemProcessRunner(SystemToolTable tools);

    // `standardInput`, when given, is written once to the child's standard input, which is then
    // closed; otherwise the child reads the null device. The view must stay valid until the
    // returned task finishes (callers co_await it at once). The runner never copies it into a
    // buffer of its own, so the caller can wipe the only copy afterwards.
    QCoro::Task<SystemProcessResult> run(SystemTool tool, QStringList arguments,
                                         std::optional<QByteArrayView> standardInput = std::nullopt,
                                         std::stop_token cancellation = {});

    // The same run for code that is already on another worker thread: queues it on the runner's
    // executor and blocks until it has finished.
    SystemProcessResult runAndWait(SystemTool tool, const QStringList& arguments,
                                   std::optional<QByteArrayView> standardInput = std::nullopt,
                                   std::stop_token cancellation = {});

    // The same without the tool's time-out, for a run whose length follows the data it reads (a
    // check of a whole vault); only cancellation ends it early.
    SystemProcessResult runToEndAndWait(SystemTool tool, const QStringList& arguments,
                                        std::optional<QByteArrayView> standardInput = std::nullopt,
                                        std::stop_token cancellation = {});

    const SystemToolTable& tools() const { return tools_; }

private:
    SystemToolTable tools_;
    SerialExecutor executor_;
};
