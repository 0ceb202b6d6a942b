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

FakeFinderImportDiskService::Call& FakeFinderImportDiskService::record(const QString& operation)
{
    calls.append(Call{});
    calls.last().operation = operation;
    return calls.last();
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
    record(QStringLiteral("mountedSessions")).vaults = vaults;
    co_await waitWhileHeld();
    co_return mountedSessionsOutcomes.next();
}

QCoro::Task<std::pair<VaultSession, MountProtectionReport>> FakeFinderImportDiskService::attach(
    Vault vault, QString password, std::stop_token cancellation)
{
    Call& call = record(QStringLiteral("attach"));
    call.vault = vault;
    call.password = password;
    call.cancellation = cancellation;
    co_await waitWhileHeld();
    co_return attachOutcomes.next();
}

QCoro::Task<MountProtectionReport> FakeFinderImportDiskService::protectExistingMount(VaultSession session)
{
    record(QStringLiteral("protectExistingMount")).session = session;
    co_await waitWhileHeld();
    co_return protectExistingMountOutcomes.next();
}

QCoro::Task<void> FakeFinderImportDiskService::detach(VaultSession session)
{
    record(QStringLiteral("detach")).session = session;
    co_await waitWhileHeld();
    detachOutcomes.next();
}

QCoro::Task<void> FakeFinderImportDiskService::forceDetach(VaultSession session)
{
    record(QStringLiteral("forceDetach")).session = session;
    co_await waitWhileHeld();
    forceDetachOutcomes.next();
}

QCoro::Task<QList<MountedDiskImage>> FakeFinderImportDiskService::mountedImagesInStorage()
{
    record(QStringLiteral("mountedImagesInStorage"));
    co_await waitWhileHeld();
    co_return mountedImagesInStorageOutcomes.next();
}

QCoro::Task<void> FakeFinderImportDiskService::eject(QUrl mountPoint, bool force)
{
    Call& call = record(QStringLiteral("eject"));
    call.mountPoint = mountPoint;
    call.force = force;
    co_await waitWhileHeld();
    ejectOutcomes.next();
}
