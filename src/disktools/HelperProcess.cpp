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
                                 std::move(stop));
    } catch (const VaultError& error) {
        if (error.kind() == VaultError::Kind::operationCancelled) {
            throw ToolFailure("Operação interrompida.");
        }
        throw ToolFailure(error.errorDescription());
    }
}
