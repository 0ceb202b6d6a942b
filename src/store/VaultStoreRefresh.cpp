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
