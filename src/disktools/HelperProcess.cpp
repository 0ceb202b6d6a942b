#include "disktools/HelperProcess.h"

#include "disktools/ToolFailure.h"
#include "model/VaultError.h"

#include <QFileInfo>

SystemProcessResult HelperProcess::run(const QString& executable, const QStringList& arguments,
                                       std::optional<QByteArrayView> standardInput, ChildProcess::Output standardError,
                                       std::stop_token stop)
{
    const SystemToolSpec program{executable, QFileInfo(executable).fileName(), std::nullopt};
    try {
        return ChildProcess::run(program, arguments,
                                 {.standardInput = standardInput,
                                  .standardOutput = ChildProcess::Output::discarded,
                                  .standardError = standardError},
                                 stop);
    } catch (const VaultError& error) {
        // A stop can also surface as another failure (a helper stopped before it read its standard
        // input makes the write of the password fail): the stop is what happened.
        if (error.kind() == VaultError::Kind::operationCancelled || stop.stop_requested()) {
            throw ToolFailure("Operação interrompida.");
        }
        throw ToolFailure(error.errorDescription());
    }
}
