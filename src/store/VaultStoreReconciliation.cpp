// Reconciliation: the sessions the store shows always come from what the system reports as
// attached, never from what the store remembers doing. Shared by refresh and by every operation
// that acts on a mounted vault.
#include "store/VaultStore.h"

#include "platform/FileLocation.h"
#include "system/FinderImportDiskServicing.h"
#include "system/MountedDiskImage.h"

#include <algorithm>

QCoro::Task<> VaultStore::discoverMountedSessions(FinderImportDiskServicing* service)
{
    QHash<QUuid, VaultSession> found;
    try {
        found = co_await service->mountedSessions(vaults_);
    } catch (...) {
        markAllVaultsAsNeedingAttention();
        throw;
    }
    installSessions(std::move(found));
}

QCoro::Task<std::optional<VaultSession>> VaultStore::reconciledSession(QUuid vaultID,
                                                                       FinderImportDiskServicing* service)
{
    if (!catalogueVault(vaultID)) {
        throw VaultError(VaultError::Kind::noSelection);
    }
    co_await discoverMountedSessions(service);
    const auto session = sessions_.constFind(vaultID);
    if (session == sessions_.cend()) {
        publishContent({}, vaultID);
        co_return std::nullopt;
    }
    co_return *session;
}

void VaultStore::applyStorageMountsToKnownVaults(const QList<MountedDiskImage>& images)
{
    QHash<QString, QUuid> vaultByImagePath;
    for (const Vault& vault : std::as_const(vaults_)) {
        vaultByImagePath.insert(FileLocation::normalizedPath(vault.imageURL), vault.id);
    }
    QHash<QUuid, VaultSession> found;
    for (const MountedDiskImage& image : images) {
        const auto vaultID = vaultByImagePath.constFind(FileLocation::normalizedPath(image.imageURL));
        if (vaultID != vaultByImagePath.cend()) {
            found.insert(*vaultID, VaultSession{*vaultID, image.mountPoint, image.deviceEntry});
        }
    }
    installSessions(std::move(found));
}

std::optional<Vault> VaultStore::vaultForImageAt(const QUrl& imageURL) const
{
    const QString key = FileLocation::normalizedPath(imageURL);
    const auto found = std::find_if(vaults_.cbegin(), vaults_.cend(), [&key](const Vault& vault) {
        return FileLocation::normalizedPath(vault.imageURL) == key;
    });
    if (found == vaults_.cend()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<Vault> VaultStore::catalogueVault(const QUuid& vaultID) const
{
    const auto found =
        std::find_if(vaults_.cbegin(), vaults_.cend(), [&vaultID](const Vault& vault) { return vault.id == vaultID; });
    if (found == vaults_.cend()) {
        return std::nullopt;
    }
    return *found;
}

void VaultStore::publishContent(QList<VaultContentItem> items, const QUuid& vaultID)
{
    if (items.isEmpty()) {
        listings_.remove(vaultID);
    } else {
        listings_.insert(vaultID, items);
    }
    if (selectedVaultID_ == vaultID) {
        setContent(std::move(items));
    }
}

std::optional<QString> VaultStore::completionNotice(const std::optional<QString>& base, const QStringList& warnings)
{
    if (warnings.isEmpty()) {
        return base;
    }
    QStringList lines;
    for (const QString& warning : warnings) {
        lines.append(QStringLiteral("\u2022 ") + warning);
    }
    const QString list = QStringLiteral("Atenção:\n") + lines.join(QLatin1Char('\n'));
    return base ? *base + QStringLiteral("\n\n") + list : list;
}

void VaultStore::installSessions(QHash<QUuid, VaultSession> sessions)
{
    setSessions(std::move(sessions));
    QSet<QUuid> stillUnconfirmed = attentionVaultIDs_;
    for (const Vault& vault : std::as_const(vaults_)) {
        stillUnconfirmed.remove(vault.id);
    }
    setAttentionVaultIDs(std::move(stillUnconfirmed));
    clearContentUnlessSelectionIsMounted();
    updateStatus();
}

void VaultStore::markAllVaultsAsNeedingAttention()
{
    QSet<QUuid> unconfirmed = attentionVaultIDs_;
    QHash<QUuid, VaultSession> remaining = sessions_;
    for (const Vault& vault : std::as_const(vaults_)) {
        unconfirmed.insert(vault.id);
        remaining.remove(vault.id);
    }
    setAttentionVaultIDs(std::move(unconfirmed));
    setSessions(std::move(remaining));
    clearContentUnlessSelectionIsMounted();
    updateStatus();
}

void VaultStore::clearContentUnlessSelectionIsMounted()
{
    if (selectedVaultID_ && !sessions_.contains(*selectedVaultID_)) {
        setContent({});
    }
}

QCoro::Task<VaultSession> VaultStore::requiredMountedSession(QUuid vaultID)
{
    const std::optional<VaultSession> session = co_await reconciledSession(vaultID, &finderImportDiskService_);
    if (!session) {
        throw VaultError(VaultError::Kind::vaultLocked);
    }
    co_return *session;
}

QCoro::Task<VaultStore::Rediscovery> VaultStore::rediscoverAfterEject(VaultSession ejected, bool ejectSucceeded)
{
    Rediscovery outcome;
    // The eject's tool has just returned and the discovery before it confirmed every other vault:
    // once the volume's mount point has left the system's mount table, a new run of the
    // disk-image tool could only repeat that answer without this vault.
    if (ejectSucceeded && finderImportDiskService_.hasLeftMountTable(ejected.mountPoint)) {
        QHash<QUuid, VaultSession> sessions = sessions_;
        sessions.remove(ejected.vaultID);
        setSessions(std::move(sessions));
        clearContentUnlessSelectionIsMounted();
        updateStatus();
        co_return outcome;
    }
    try {
        co_await discoverMountedSessions(&finderImportDiskService_);
    } catch (...) {
        outcome.failure = std::current_exception();
    }
    co_return outcome;
}
