#include "StoreChecks.h"

#include "store/VaultStore.h"

#include <QDir>

#include <stdexcept>

namespace StoreChecks {

void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

void requireNoError(const VaultStore& store, const char* step)
{
    if (store.errorMessage()) {
        fail(QStringLiteral("the store's %1 failed: %2").arg(QLatin1String(step), *store.errorMessage()));
    }
}

QString mountPoint(const VaultStore& store, const QUuid& vaultID)
{
    const auto session = store.sessions().constFind(vaultID);
    if (session == store.sessions().cend()) {
        fail(QStringLiteral("the vault is not unlocked"));
    }
    return QDir::cleanPath(session->mountPoint.toLocalFile());
}

} // namespace StoreChecks
