#include "app/UpdateCheckResult.h"

UpdateCheckResult UpdateCheckResult::failure(const QString& currentVersion, const QString& reason)
{
    return UpdateCheckResult{Outcome::failed, currentVersion, {}, {}, reason};
}

QString UpdateCheckResult::title() const
{
    switch (outcome) {
    case Outcome::updateAvailable:
        return QStringLiteral("Há uma nova versão do Kovara");
    case Outcome::upToDate:
        return QStringLiteral("O Kovara está atualizado");
    case Outcome::failed:
        break;
    }
    return QStringLiteral("Não foi possível verificar atualizações");
}

QString UpdateCheckResult::message() const
{
    switch (outcome) {
    case Outcome::updateAvailable:
        return QStringLiteral("O Kovara %1 está disponível. Você usa a versão %2.")
            .arg(availableVersion, currentVersion);
    case Outcome::upToDate:
        return QStringLiteral("Você já usa a versão mais recente (%1).").arg(currentVersion);
    case Outcome::failed:
        break;
    }
    return failureReason;
}
