#include "disktools/HelperProcess.h"

#include "disktools/ToolFailure.h"
#include "system/ChildProcessFailure.h"

#include <QFile>
#include <QFileInfo>

#include <string>
#include <vector>

SystemProcessResult HelperProcess::run(const QString& executable, const QStringList& arguments,
                                       std::optional<QByteArrayView> standardInput, ChildProcess::Output standardError,
                                       std::stop_token stop)
{
    const ChildProcess::Program program{QFile::encodeName(executable).toStdString(),
                                        QFileInfo(executable).fileName().toStdString(), std::nullopt};
    std::vector<std::string> encoded;
    for (const QString& argument : arguments) {
        encoded.push_back(QFile::encodeName(argument).toStdString());
    }
    std::optional<std::string_view> input;
    if (standardInput) {
        input.emplace(standardInput->data(), static_cast<std::size_t>(standardInput->size()));
    }
    try {
        const ChildProcess::Result result = ChildProcess::run(
            program, encoded,
            {.standardInput = input, .standardOutput = ChildProcess::Output::discarded, .standardError = standardError},
            stop);
        return {result.terminationStatus, QByteArray::fromStdString(result.standardOutput),
                QByteArray::fromStdString(result.standardError), false, false};
    } catch (const ChildProcessFailure& failure) {
        // A stop can also surface as another failure (a helper stopped before it read its standard
        // input makes the write of the password fail): the stop is what happened.
        if (failure.kind() == ChildProcessFailure::Kind::cancelled || stop.stop_requested()) {
            throw ToolFailure("Operação interrompida.");
        }
        throw ToolFailure(QString::fromUtf8(failure.what()));
    }
}
