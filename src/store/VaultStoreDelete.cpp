// Delete: a vault is locked if mounted, its encrypted image goes to the Trash (never erased) and
// its entry leaves the catalogue. When it cannot be locked, nothing is deleted.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "system/DiskImageService.h"
#include "system/FinderImportDiskServicing.h"

#include <algorithm>

namespace {

QString deletedNotice(const QString& vaultName, const VaultImageRemoval& removal)
{
    return QStringLiteral("O cofre “") + vaultName +
           (removal.kind == VaultImageRemoval::Kind::trashed
                ? QStringLiteral("” foi apagado. O arquivo “") + removal.fileName + QStringLiteral("” está na Lixeira.")
                : QStringLiteral("” foi removido da lista."));
}

QString imageNotTrashedMessage(const std::exception_ptr& failure, bool wasLocked)
{
    const QString message = userMessage(failure);
    return wasLocked ? QStringLiteral("O cofre foi bloqueado, mas não foi apagado. ") + message : message;
}

// The vault could not be locked, so nothing was deleted; says whether it is known to be mounted.
QString notLockedMessage(const std::exception_ptr& ejectFailure, const std::exception_ptr& discoveryFailure)
{
    if (discoveryFailure) {
        return QStringLiteral("O cofre não foi apagado. ") + userMessage(ejectFailure) +
               QStringLiteral(" Também não foi possível confirmar o estado do cofre: ") + userMessage(discoveryFailure);
    }
    return QStringLiteral("O cofre não foi apagado porque não pôde ser bloqueado: ") + userMessage(ejectFailure);
}

} // namespace

void VaultStore::deleteVault(QUuid vaultID)
{
    startDetached([vaultID](VaultStore& store) { return store.performDeleteVault(vaultID); });
}

QCoro::Task<> VaultStore::performDeleteVault(QUuid vaultID)
{
    if (!beginOperation(vaultID, true, true)) {
        co_return;
    }
    setDeletingVaultID(vaultID);
    co_await deleteVaultHoldingGate(vaultID);
    updateStatus();
    setDeletingVaultID(std::nullopt);
    endOperation();
}

QCoro::Task<> VaultStore::deleteVaultHoldingGate(QUuid vaultID)
{
    Vault vault;
    qsizetype position = 0;
    QList<Vault> remaining;
    try {
        if (!registryIsUsable_) {
            throw unusableRegistryError();
        }
        const auto found = std::find_if(vaults_.cbegin(), vaults_.cend(),
                                        [&vaultID](const Vault& candidate) { return candidate.id == vaultID; });
        if (found == vaults_.cend()) {
            throw VaultError(VaultError::Kind::noSelection);
        }
        vault = *found;
        position = found - vaults_.cbegin();
        remaining = vaults_;
        remaining.removeAt(position);
        // Before anything on disk is touched: a catalogue that could not be saved afterwards
        // would leave the vault listed with its image gone.
        registry_.validateForSave(remaining, unusableEntryIDs());
    } catch (...) {
        setErrorMessage(userMessage(std::current_exception()));
        co_return;
    }

    // A broken entry's image is not the vault's as far as anyone can tell (it may be a link
    // to anything): only the entry leaves the list, and nothing on disk is touched.
    VaultImageRemoval removal = VaultImageRemoval::missing();
    if (!entryProblems_.contains(vaultID)) {
        std::optional<VaultSession> session;
        try {
            session = co_await reconciledSession(vaultID, &finderImportDiskService_);
        } catch (...) {
            setErrorMessage(userMessage(std::current_exception()));
            co_return;
        }
        if (session && !co_await lockBeforeDeleting(*session)) {
            co_return;
        }
        try {
            removal = co_await diskImageService_.trashImage(vault);
        } catch (...) {
            setErrorMessage(imageNotTrashedMessage(std::current_exception(), session.has_value()));
            co_return;
        }
    }

    try {
        registry_.save(remaining, unusableEntryIDs());
    } catch (...) {
        setErrorMessage(
            VaultError::vaultDeletedButRegistryNotUpdated(userMessage(std::current_exception())).errorDescription());
        co_return;
    }

    setVaults(remaining);
    entryProblems_.remove(vaultID);
    QHash<QUuid, VaultSession> sessions = sessions_;
    sessions.remove(vaultID);
    setSessions(std::move(sessions));
    QSet<QUuid> unconfirmed = attentionVaultIDs_;
    unconfirmed.remove(vaultID);
    setAttentionVaultIDs(std::move(unconfirmed));
    if (selectedVaultID_ == vaultID) {
        // The vault that took the deleted one's place, or the new last one.
        setSelectedVaultID(remaining.isEmpty()
                               ? std::nullopt
                               : std::optional<QUuid>(remaining.at(std::min(remaining.size() - 1, position)).id));
    }
    updateStatus();
    setNoticeMessage(deletedNotice(vault.name, removal));
}

QCoro::Task<bool> VaultStore::lockBeforeDeleting(VaultSession session)
{
    std::exception_ptr ejectFailure;
    try {
        // A delete cannot be cancelled.
        const std::stop_token uncancellable;
        co_await finderImportDiskService_.eject(session.mountPoint, false, uncancellable);
    } catch (...) {
        ejectFailure = std::current_exception();
    }
    const Rediscovery rediscovery = co_await rediscoverAfterEject(session, !ejectFailure);
    const std::exception_ptr discoveryFailure = rediscovery.failure;
    if (!ejectFailure) {
        if (discoveryFailure) {
            setErrorMessage(userMessage(discoveryFailure));
            co_return false;
        }
        if (sessions_.contains(session.vaultID)) {
            setErrorMessage(VaultError(VaultError::Kind::detachDidNotComplete).errorDescription());
            co_return false;
        }
        co_return true;
    }
    // Only a volume known to be busy is offered for a forced lock.
    if (!discoveryFailure && isVaultError(ejectFailure, VaultError::Kind::volumeBusy)) {
        setForceLockVaultID(session.vaultID);
    }
    setErrorMessage(notLockedMessage(ejectFailure, discoveryFailure));
    co_return false;
}
