#include "model/MountedRollbackFailure.h"

MountedRollbackFailure::MountedRollbackFailure(VaultSession session, QString originalFailure, QString rollbackFailure)
    : session_(std::move(session))
    , originalFailure_(std::move(originalFailure))
    , rollbackFailure_(std::move(rollbackFailure))
    , utf8Description_(errorDescription().toStdString())
{
}

QString MountedRollbackFailure::errorDescription() const
{
    return QStringLiteral("O cofre foi montado, mas a finalização falhou (") + originalFailure_ +
           QStringLiteral(") e a desmontagem automática também falhou (") + rollbackFailure_ +
           QStringLiteral("). Ele continua montado; tente bloqueá-lo novamente.");
}
