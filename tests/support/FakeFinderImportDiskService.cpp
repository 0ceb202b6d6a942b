#include "support/FakeFinderImportDiskService.h"

#include <qcoro/qcorosignal.h>

QStringList FakeFinderImportDiskService::operations() const
{
    QStringList names;
    for (const Call& call : calls) {
        names.append(call.operation);
    }
    return names;
}

void FakeFinderImportDiskService::hold()
{
    held_ = true;
}

void FakeFinderImportDiskService::release()
{
    held_ = false;
    Q_EMIT released();
}

QCoro::Task<void> FakeFinderImportDiskService::waitWhileHeld()
{
    while (held_) {
        co_await qCoro(this, &FakeFinderImportDiskService::released);
    }
}

QCoro::Task<QHash<QUuid, VaultSession>> FakeFinderImportDiskService::mountedSessions(QList<Vault> vaults)
{
    calls.append({.operation = QStringLiteral("mountedSessions"), .vaults = vaults});
    co_await waitWhileHeld();
    co_return mountedSessionsOutcomes.next();
}

QCoro::Task<std::pair<VaultSession, MountProtectionReport>> FakeFinderImportDiskService::attach(
    Vault vault, QString password, std::stop_token cancellation)
{
    calls.append(
        {.operation = QStringLiteral("attach"), .vault = vault, .password = password, .cancellation = cancellation});
    co_await waitWhileHeld();
    co_return attachOutcomes.next();
}

QCoro::Task<MountProtectionReport> FakeFinderImportDiskService::protectExistingMount(VaultSession session)
{
    calls.append({.operation = QStringLiteral("protectExistingMount"), .session = session});
    co_await waitWhileHeld();
    co_return protectExistingMountOutcomes.next();
}

QCoro::Task<void> FakeFinderImportDiskService::detach(VaultSession session)
{
    calls.append({.operation = QStringLiteral("detach"), .session = session});
    co_await waitWhileHeld();
    detachOutcomes.next();
}

QCoro::Task<void> FakeFinderImportDiskService::forceDetach(VaultSession session)
{
    calls.append({.operation = QStringLiteral("forceDetach"), .session = session});
    co_await waitWhileHeld();
    forceDetachOutcomes.next();
}

QCoro::Task<QList<MountedDiskImage>> FakeFinderImportDiskService::mountedImagesInStorage()
{
    calls.append({.operation = QStringLiteral("mountedImagesInStorage")});
    co_await waitWhileHeld();
    co_return mountedImagesInStorageOutcomes.next();
}

QCoro::Task<void> FakeFinderImportDiskService::eject(QUrl mountPoint, bool force)
{
    calls.append({.operation = QStringLiteral("eject"), .mountPoint = mountPoint, .force = force});
    co_await waitWhileHeld();
    ejectOutcomes.next();
}
