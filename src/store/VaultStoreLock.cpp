// Lock: ejects a mounted vault and confirms with the system that it is really gone. When another
// program keeps files open the user is offered a forced lock; a vault ejected outside the program
// is reported calmly as already locked.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "system/FinderImportDiskServicing.h"

void VaultStore::lock(QUuid vaultID, bool force)
{
    startDetached([vaultID, force](VaultStore& store) { return store.performLockSelected(vaultID, force); });
}

void VaultStore::lockSelected()
{
    if (const std::optional<QUuid> vaultID = requiredSelection()) {
        lock(*vaultID, false);
    }
}

QCoro::Task<> VaultStore::lockSelectedAndWait()
{
    if (const std::optional<QUuid> vaultID = requiredSelection()) {
        co_await performLockSelected(*vaultID, false);
    }
}

QCoro::Task<> VaultStore::performLockSelected(QUuid vaultID, bool force)
{
    if (!beginOperation(vaultID, true, true)) {
        co_return;
    }
    co_await lockHoldingGate(vaultID, force);
    endOperation();
}

QCoro::Task<> VaultStore::lockHoldingGate(QUuid vaultID, bool force)
{
    std::optional<VaultSession> session;
    try {
        // The very mount the last discovery confirmed is still in the system's mount table: a run
        // of the disk-image tool could only repeat that answer. Anything else (the mount gone,
        // another in its place) is asked of the tool.
        const auto known = sessions_.constFind(vaultID);
        if (known != sessions_.cend() && finderImportDiskService_.isStillMounted(*known)) {
            session = *known;
        } else {
            session = co_await reconciledSession(vaultID, &finderImportDiskService_);
        }
    } catch (...) {
        setErrorMessage(userMessage(std::current_exception()));
        updateStatus();
        co_return;
    }
    if (!session) {
        publishContent({}, vaultID);
        updateStatus();
        setNoticeMessage(QStringLiteral("O cofre já estava bloqueado."));
        co_return;
    }

    // Force changes only which eject is asked for; what follows is the same.
    std::exception_ptr ejectFailure;
    try {
        if (force) {
            co_await finderImportDiskService_.forceDetach(*session);
        } else {
            co_await finderImportDiskService_.detach(*session);
        }
    } catch (...) {
        ejectFailure = std::current_exception();
    }
    const Rediscovery rediscovery = co_await rediscoverAfterEject(*session, !ejectFailure);
    const std::exception_ptr discoveryFailure = rediscovery.failure;

    if (!ejectFailure && !discoveryFailure) {
        if (sessions_.contains(vaultID)) {
            setErrorMessage(VaultError(VaultError::Kind::detachDidNotComplete).errorDescription());
        } else {
            publishContent({}, vaultID);
            setNoticeMessage(QStringLiteral("Cofre bloqueado."));
        }
    } else if (!ejectFailure) {
        // Every vault now needs attention: the program can no longer tell what is mounted.
        setErrorMessage(userMessage(discoveryFailure));
    } else if (!discoveryFailure) {
        if (isVaultError(ejectFailure, VaultError::Kind::volumeBusy)) {
            setErrorMessage(userMessage(ejectFailure));
            setForceLockVaultID(vaultID);
        } else {
            setErrorMessage(QStringLiteral("Não foi possível concluir o bloqueio: ") + userMessage(ejectFailure));
        }
    } else {
        setErrorMessage(userMessage(ejectFailure) +
                        QStringLiteral(" Também não foi possível confirmar o estado do cofre: ") +
                        userMessage(discoveryFailure));
    }
    updateStatus();
}
