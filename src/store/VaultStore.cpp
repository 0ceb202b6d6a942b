// The store itself: construction with the catalogue, observed state, selection, derived status
// and messages. (Named after the header so that the meta-object code is generated for it.)
#include "store/VaultStore.h"

#include "content/VaultContentService.h"
#include "model/ErrorMessage.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

#include <algorithm>

struct VaultStore::OwnedServices
{
    explicit OwnedServices(const KovaraPaths& paths) : diskImageService(paths, runner) {}

    // The application's one runner: every tool run goes through its single queue.
    SystemProcessRunner runner;
    DiskImageService diskImageService;
    VaultContentService contentService;
};

VaultStore::VaultStore(const KovaraPaths& paths, DiskImageService& diskImageService,
                       FinderImportDiskServicing& finderImportDiskService, VaultContentServicing& contentService,
                       FinderWorkspaceServicing& finderWorkspace, QObject* parent)
    : QObject(parent)
    , diskImageService_(diskImageService)
    , finderImportDiskService_(finderImportDiskService)
    , contentService_(contentService)
    , finderWorkspace_(finderWorkspace)
    , registry_(paths)
{
    try {
        VaultRegistry::Contents loaded = registry_.load();
        vaults_ = std::move(loaded.vaults);
        entryProblems_ = std::move(loaded.problems);
    } catch (...) {
        // The catalogue stays untouched for the whole run: saving over a file we could not
        // read would lose the vaults it lists.
        registryIsUsable_ = false;
        registryFailureDetail_ = userMessage(std::current_exception());
        errorMessage_ = VaultError::registryUnavailable(*registryFailureDetail_).errorDescription();
    }
    if (!vaults_.isEmpty()) {
        selectedVaultID_ = vaults_.first().id;
    }
    // Nothing is known about mounts until the first refresh asks the system.
    for (const Vault& vault : std::as_const(vaults_)) {
        attentionVaultIDs_.insert(vault.id);
    }
    updateStatus();
}

VaultStore::VaultStore(const KovaraPaths& paths, FinderWorkspaceServicing& finderWorkspace, QObject* parent)
    : VaultStore(paths, std::make_unique<OwnedServices>(paths), finderWorkspace, parent)
{
}

VaultStore::VaultStore(const KovaraPaths& paths, std::unique_ptr<OwnedServices> owned,
                       FinderWorkspaceServicing& finderWorkspace, QObject* parent)
    : VaultStore(paths, owned->diskImageService, owned->diskImageService, owned->contentService, finderWorkspace,
                 parent)
{
    // The services live on the heap, so the references just taken stay valid after the move. A
    // delegating constructor cannot initialise members itself.
    ownedServices_ = std::move(owned); // NOLINT(cppcoreguidelines-prefer-member-initializer)
}

VaultStore::~VaultStore() = default;

template <typename T>
void VaultStore::assign(T& field, T value, void (VaultStore::*changed)())
{
    if (field == value) {
        return;
    }
    field = std::move(value);
    emit(this->*changed)();
}

void VaultStore::setVaults(QList<Vault> vaults)
{
    assign(vaults_, std::move(vaults), &VaultStore::vaultsChanged);
}

void VaultStore::setSelectedVaultID(std::optional<QUuid> vaultID)
{
    if (selectedVaultID_ == vaultID) {
        return;
    }
    assign(selectedVaultID_, vaultID, &VaultStore::selectedVaultIDChanged);
    // The listing belongs to the vault it was made for: a mounted vault shows its newest listing
    // at once, without listing it again; any other waits for the operation that lists it.
    setContent(vaultID ? listings_.value(*vaultID) : QList<VaultContentItem>());
    updateStatus();
}

void VaultStore::setSessions(QHash<QUuid, VaultSession> sessions)
{
    // A listing is only as good as the mount it was made of.
    for (auto listing = listings_.begin(); listing != listings_.end();) {
        listing = sessions.contains(listing.key()) ? std::next(listing) : listings_.erase(listing);
    }
    assign(sessions_, std::move(sessions), &VaultStore::sessionsChanged);
}

void VaultStore::setContent(QList<VaultContentItem> content)
{
    assign(content_, std::move(content), &VaultStore::contentChanged);
    // Whatever changed the listing may have changed the space the vault takes.
    measureSelectedCapacity();
}

void VaultStore::setSelectedCapacity(std::optional<VaultCapacity> capacity)
{
    assign(selectedCapacity_, capacity, &VaultStore::selectedCapacityChanged);
}

void VaultStore::setStatus(VaultStatus status)
{
    assign(status_, status, &VaultStore::statusChanged);
}

void VaultStore::setIsBusy(bool busy)
{
    assign(isBusy_, busy, &VaultStore::isBusyChanged);
}

void VaultStore::setBusyVaultID(std::optional<QUuid> vaultID)
{
    assign(busyVaultID_, vaultID, &VaultStore::busyVaultIDChanged);
}

void VaultStore::setActiveOperation(std::optional<VaultOperationState> operation)
{
    assign(activeOperation_, std::move(operation), &VaultStore::activeOperationChanged);
}

void VaultStore::updateActiveOperation(const std::function<void(VaultOperationState&)>& change)
{
    if (!activeOperation_) {
        return;
    }
    VaultOperationState updated = *activeOperation_;
    change(updated);
    setActiveOperation(std::move(updated));
}

void VaultStore::setErrorMessage(std::optional<QString> message)
{
    assign(errorMessage_, std::move(message), &VaultStore::errorMessageChanged);
}

void VaultStore::setNoticeMessage(std::optional<QString> message)
{
    assign(noticeMessage_, std::move(message), &VaultStore::noticeMessageChanged);
}

void VaultStore::setUnlockFailure(std::optional<VaultUnlockFailure> failure)
{
    assign(unlockFailure_, std::move(failure), &VaultStore::unlockFailureChanged);
}

void VaultStore::setForceLockVaultID(std::optional<QUuid> vaultID)
{
    assign(forceLockVaultID_, vaultID, &VaultStore::forceLockVaultIDChanged);
}

void VaultStore::setForceLockContinuesTermination(bool continues)
{
    assign(forceLockContinuesTermination_, continues, &VaultStore::forceLockContinuesTerminationChanged);
}

void VaultStore::setDeletingVaultID(std::optional<QUuid> vaultID)
{
    assign(deletingVaultID_, vaultID, &VaultStore::deletingVaultIDChanged);
}

void VaultStore::setFoundImages(QList<FoundVaultImage> images)
{
    assign(foundImages_, std::move(images), &VaultStore::foundImagesChanged);
}

void VaultStore::setAttentionVaultIDs(QSet<QUuid> vaultIDs)
{
    assign(attentionVaultIDs_, std::move(vaultIDs), &VaultStore::attentionVaultIDsChanged);
}

std::optional<Vault> VaultStore::selectedVault() const
{
    return selectedVaultID_ ? catalogueVault(*selectedVaultID_) : std::nullopt;
}

std::optional<QUuid> VaultStore::requiredSelection()
{
    if (!selectedVaultID_) {
        setErrorMessage(VaultError(VaultError::Kind::noSelection).errorDescription());
    }
    return selectedVaultID_;
}

VaultRowState VaultStore::state(const QUuid& vaultID) const
{
    const auto found =
        std::find_if(vaults_.cbegin(), vaults_.cend(), [&vaultID](const Vault& vault) { return vault.id == vaultID; });
    if (found == vaults_.cend()) {
        return VaultRowState::needsAttention;
    }
    if (entryProblems_.contains(vaultID)) {
        return VaultRowState::unusableEntry;
    }
    if (attentionVaultIDs_.contains(vaultID)) {
        return VaultRowState::needsAttention;
    }
    if (sessions_.contains(vaultID)) {
        return VaultRowState::unlocked;
    }
    try {
        return VaultRegistry::entryExists(found->imageURL) ? VaultRowState::locked : VaultRowState::missingImage;
    } catch (const std::system_error&) {
        // An image the program cannot even examine is as unusable as a missing one.
        return VaultRowState::missingImage;
    }
}

std::optional<QString> VaultStore::entryProblem(const QUuid& vaultID) const
{
    const auto found = entryProblems_.constFind(vaultID);
    return found == entryProblems_.cend() ? std::nullopt : std::optional<QString>(*found);
}

QSet<QUuid> VaultStore::unusableEntryIDs() const
{
    const QList<QUuid> ids = entryProblems_.keys();
    return {ids.cbegin(), ids.cend()};
}

void VaultStore::updateStatus()
{
    const std::optional<Vault> selected = selectedVault();
    setStatus(selected ? toVaultStatus(state(selected->id)) : VaultStatus::noSelection);
}

void VaultStore::selectVault(std::optional<QUuid> vaultID)
{
    if (vaultID == selectedVaultID_) {
        return;
    }
    clearMessages();
    setSelectedVaultID(vaultID);
}

void VaultStore::clearMessages()
{
    clearError();
    clearNotice();
}

void VaultStore::clearError()
{
    setErrorMessage(std::nullopt);
    setUnlockFailure(std::nullopt);
    setForceLockVaultID(std::nullopt);
    setForceLockContinuesTermination(false);
}

void VaultStore::clearNotice()
{
    setNoticeMessage(std::nullopt);
}

std::optional<QString> VaultStore::unlockFailureMessage(const QUuid& vaultID) const
{
    if (unlockFailure_ && unlockFailure_->vaultID == vaultID) {
        return unlockFailure_->message;
    }
    return std::nullopt;
}

VaultError VaultStore::unusableRegistryError() const
{
    return VaultError::registryUnavailable(
        registryFailureDetail_.value_or(QStringLiteral("Reabra o app após recuperar o arquivo vaults.json.")));
}
