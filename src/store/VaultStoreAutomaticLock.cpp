// Automatic locking: when the desktop session locks or the machine is about to sleep, every
// unlocked vault is locked the way the sidebar locks one; a vault left mounted by gocryptfs's own
// idle timeout is noticed by the next refresh.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "system/DiskImageService.h"

#include <qcoro/qcorosignal.h>

QCoro::Task<> VaultStore::lockUnlockedVaults(AutomaticLockNotice::Cause cause)
{
    // Quitting locks everything by itself.
    if (isPreparingForTermination_) {
        co_return;
    }
    // Not refused like a click would be: the running operation ends first, then the vaults lock.
    while (!beginOperation(std::nullopt, false, false)) {
        co_await qCoro(this, &VaultStore::isBusyChanged);
    }
    try {
        co_await discoverMountedSessions(&finderImportDiskService_);
    } catch (...) {
        failOperation(std::current_exception());
        co_return;
    }
    // A second request right after the first finds nothing to lock and leaves its report alone.
    if (!sessions_.isEmpty()) {
        clearMessages();
    }
    const QList<Vault> catalogue = vaults_;
    QStringList locked;
    for (const Vault& vault : catalogue) {
        if (!sessions_.contains(vault.id)) {
            continue;
        }
        setBusyVaultID(vault.id);
        // The first vault that stays unlocked is the one reported (and offered a forced lock).
        const std::optional<QString> earlierFailure = errorMessage_;
        const std::optional<QUuid> earlierOffer = forceLockVaultID_;
        co_await lockHoldingGate(vault.id, false);
        if (!sessions_.contains(vault.id)) {
            locked.append(vault.name);
        }
        if (earlierFailure) {
            setErrorMessage(earlierFailure);
            setForceLockVaultID(earlierOffer);
        }
    }
    // One notice for all of them, in place of each lock's own "Cofre bloqueado.".
    if (!locked.isEmpty()) {
        setNoticeMessage(AutomaticLockNotice::text(locked, cause));
    }
    endOperation();
}

void VaultStore::setIdleLockTimeout(std::chrono::seconds timeout)
{
    idleLockTimeout_ = timeout;
    diskImageService_.setIdleTimeout(timeout);
}

void VaultStore::refreshAfterMountChange()
{
    startDetached([](VaultStore& store) { return store.performRefresh(true); });
}

std::optional<QString> VaultStore::lockedMeanwhileNotice(const QHash<QUuid, VaultSession>& before) const
{
    QStringList locked;
    for (const Vault& vault : vaults_) {
        if (before.contains(vault.id) && state(vault.id) == VaultRowState::locked) {
            locked.append(vault.name);
        }
    }
    if (locked.isEmpty()) {
        return std::nullopt;
    }
    // The system does not say who unmounted a volume; with an idle time set, gocryptfs did.
    return AutomaticLockNotice::text(locked, idleLockTimeout_.count() > 0 ? AutomaticLockNotice::Cause::inactivity
                                                                          : AutomaticLockNotice::Cause::elsewhere);
}
