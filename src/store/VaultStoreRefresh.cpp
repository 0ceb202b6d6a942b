// Refresh: asks the system what is mounted and lists the selected vault.
#include "store/VaultStore.h"

QCoro::Task<> VaultStore::refresh()
{
    return performRefresh(false);
}

QCoro::Task<> VaultStore::performRefresh(bool preservingMessages)
{
    const std::optional<QUuid> target = selectedVaultID_;
    if (!beginOperation(target, false, !preservingMessages)) {
        pendingRefreshRequested_ = true;
        co_return;
    }
    if (!registryIsUsable_) {
        setErrorMessage(unusableRegistryError().errorDescription());
        updateStatus();
        endOperation();
        co_return;
    }
    // Mount discovery, storage preparation, protection of the mounted vaults and the listing
    // of the target come here with the disk and content services; until then every vault
    // keeps needing attention, which is the truth: nothing has confirmed its mount state.
    updateStatus();
    endOperation();
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
