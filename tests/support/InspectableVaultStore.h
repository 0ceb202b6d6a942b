#pragma once

#include "store/VaultStore.h"
#include "support/StoreTestServices.h"

// The store with its internal steps and unobserved state opened up, so that tests can drive
// the gate and the state rules the operations build on.
class InspectableVaultStore : public VaultStore
{
public:
    InspectableVaultStore(const KovaraPaths& paths, StoreTestServices& services)
        : VaultStore(paths, services.diskImageService, services.disk, services.content, services.finderWorkspace)
    {
    }

    using VaultStore::applyStorageMountsToKnownVaults;
    using VaultStore::beginOperation;
    using VaultStore::endOperation;
    using VaultStore::handleAttachFailure;
    using VaultStore::hasOperationTask;
    using VaultStore::hasPendingRefreshTask;
    using VaultStore::installSessions;
    using VaultStore::launchOperation;
    using VaultStore::markAllVaultsAsNeedingAttention;
    using VaultStore::pendingRefreshRequested;
    using VaultStore::performDeleteVault;
    using VaultStore::performFinderAction;
    using VaultStore::reconciledSession;
    using VaultStore::registryIsUsable;
    using VaultStore::setActiveOperation;
    using VaultStore::setBusyVaultID;
    using VaultStore::setContent;
    using VaultStore::setDeletingVaultID;
    using VaultStore::setErrorMessage;
    using VaultStore::setForceLockContinuesTermination;
    using VaultStore::setForceLockVaultID;
    using VaultStore::setNoticeMessage;
    using VaultStore::setSelectedVaultID;
    using VaultStore::setSessions;
    using VaultStore::setUnlockFailure;
    using VaultStore::setVaults;
    using VaultStore::updateActiveOperation;
    using VaultStore::validatedNewVaultRequest;
};
