#pragma once

#include "content/VaultContentItem.h"
#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultError.h"
#include "model/VaultOperationState.h"
#include "model/VaultRegistry.h"
#include "model/VaultRowState.h"
#include "model/VaultSession.h"
#include "model/VaultStatus.h"
#include "model/VaultUnlockFailure.h"
#include "store/AutomaticLockNotice.h"
#include "store/VaultImportBatchResult.h"
#include "store/VaultStoreOutcomes.h"
#include "system/FoundVaultImage.h"
#include "system/VaultCapacity.h"
#include "system/VaultCheckReport.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class DiskImageService;
class FinderImportDiskServicing;
struct MountedDiskImage;
class VaultContentServicing;
class FinderWorkspaceServicing;
class SecretText;
struct VaultCopyProgress;

// The one object the window observes and calls. It owns the catalogue list, the selection, the
// mounted sessions, the listed content of the selected vault, the progress of the running long
// operation and the banner messages, and it runs every operation, one at a time, on the GUI
// thread. Each observed property has a change signal that fires only when the value really
// changes, so an equal assignment causes no redraw.
//
// The operations are split over several files by family (state and selection, the gate,
// refresh, ...); they share the protected steps below.
class VaultStore : public QObject
{
    Q_OBJECT

public:
    // Loads the catalogue (never re-read afterwards). If it cannot be used, the store starts
    // without vaults, with the catalogue marked unusable and the reason in errorMessage. Every
    // vault counts as needing attention until the first refresh confirms what is mounted. The
    // services must outlive the store.
    VaultStore(const KovaraPaths& paths, DiskImageService& diskImageService,
               FinderImportDiskServicing& finderImportDiskService, VaultContentServicing& contentService,
               FinderWorkspaceServicing& finderWorkspace, QObject* parent = nullptr);
    // The same over services of its own: one process runner running the disk-image stand-ins
    // beside this program, the disk-image service over `paths` and a content service. Only the
    // file manager comes from outside, as it needs the desktop session the core does not use.
    VaultStore(const KovaraPaths& paths, FinderWorkspaceServicing& finderWorkspace, QObject* parent = nullptr);
    ~VaultStore() override;

    // Observed state.
    const QList<Vault>& vaults() const { return vaults_; }
    const std::optional<QUuid>& selectedVaultID() const { return selectedVaultID_; }
    const QHash<QUuid, VaultSession>& sessions() const { return sessions_; }
    const QList<VaultContentItem>& content() const { return content_; }
    VaultStatus status() const { return status_; }
    bool isBusy() const { return isBusy_; }
    const std::optional<QUuid>& busyVaultID() const { return busyVaultID_; }
    const std::optional<VaultOperationState>& activeOperation() const { return activeOperation_; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    const std::optional<QString>& noticeMessage() const { return noticeMessage_; }
    const std::optional<VaultUnlockFailure>& unlockFailure() const { return unlockFailure_; }
    const std::optional<QUuid>& forceLockVaultID() const { return forceLockVaultID_; }
    bool forceLockContinuesTermination() const { return forceLockContinuesTermination_; }
    const std::optional<QUuid>& deletingVaultID() const { return deletingVaultID_; }
    // The selected vault's capacity and use while it is unlocked, measured each time it is listed.
    const std::optional<VaultCapacity>& selectedCapacity() const { return selectedCapacity_; }

    // Derived views.
    std::optional<Vault> selectedVault() const;
    // A vault not in the catalogue, or whose mount state is unconfirmed, needs attention; one
    // whose entry broke a catalogue rule when it was loaded is unusable; then: mounted →
    // unlocked, image present → locked, otherwise its image is missing.
    VaultRowState state(const QUuid& vaultID) const;
    // The rule the vault's catalogue entry broke when it was loaded, if any.
    std::optional<QString> entryProblem(const QUuid& vaultID) const;
    // The last failed unlock's message, only for the vault it concerns.
    std::optional<QString> unlockFailureMessage(const QUuid& vaultID) const;
    // No long operation is running or holding the gate.
    bool canEnqueueOperation() const;
    // The running create or import has not reached its committing phase, or an unlock is
    // attaching its image.
    bool canCancelActiveOperation() const;

    // Selecting another vault clears every banner and shows that vault's newest listing, if it is
    // mounted (without listing it again); selecting the same vault again changes nothing.
    void selectVault(std::optional<QUuid> vaultID);
    // Error, notice, inline unlock failure and forced-lock offer.
    void clearMessages();
    // As clearMessages(), but the notice stays.
    void clearError();
    void clearNotice();

    // Asks the running create or import to stop, if it has not started committing yet, or the
    // running unlock's attach to stop.
    void cancelActiveOperation();
    // Cancels the running create or import where still possible, then waits for it to end.
    QCoro::Task<> cancelActiveOperationAndWait();

    // Starts creating a vault in the background, with its progress in activeOperation: the
    // encrypted image, the catalogue entry, then unlocking and selecting it, and copying the
    // folder `initialSourceURL` into it when given (the original stays where it is). False,
    // with the reason in errorMessage, when the request breaks a rule or another operation runs.
    bool enqueueCreateVault(QString name, QString password, int sizeInGigabytes,
                            std::optional<QUrl> initialSourceURL = std::nullopt);
    // The same creation awaited, without a progress record or an initial folder. The new vault,
    // also when it was catalogued but could not be unlocked; none when nothing was created.
    QCoro::Task<std::optional<Vault>> createVault(QString name, QString password, int sizeInGigabytes);

    // Unlocks the vault and lists it; a vault that was already mounted is only protected and
    // listed. A wrong password shows no banner but unlockFailure for that vault.
    QCoro::Task<> unlock(QUuid vaultID, QString password);
    QCoro::Task<> unlockSelected(QString password);
    // Locks the vault and confirms with the system that it is gone. When files inside are held
    // open, errorMessage names the programs and forceLockVaultID offers the forced lock, which
    // lock(vaultID, true) performs. lock() and lockSelected() start the work and return at once.
    void lock(QUuid vaultID, bool force);
    void lockSelected();
    QCoro::Task<> lockSelectedAndWait();

    // Re-reads what is mounted and lists the selected vault. While another operation runs the
    // refresh is remembered and runs once, right after that operation ends. A vault that was
    // unlocked and is no longer mounted (it unmounted itself after sitting idle, or was ejected
    // outside Kovara) shows as locked, with a notice saying so.
    QCoro::Task<> refresh();
    // The same refresh, keeping the banners, for when a vault's volume has left the system's
    // mount table. Starts the work and returns at once.
    void refreshAfterMountChange();

    // ---- Automatic locking ----
    // Locks every unlocked vault the way the sidebar's lock does (a vault in use is not forced:
    // the first one is reported with the forced-lock offer). Waits for a running operation to
    // end first. The notice names the vaults locked and the cause; nothing is shown when no vault
    // is unlocked.
    QCoro::Task<> lockUnlockedVaults(AutomaticLockNotice::Cause cause);
    // Vaults unlocked from now on lock themselves after this long without use; zero: never.
    void setIdleLockTimeout(std::chrono::seconds timeout);

    // ---- Password change ----
    // Gives the vault a new password in the background, with the operation banner; the new
    // password follows the create rules. Its contents are not rewritten. False, with the reason
    // in errorMessage, when the request breaks a rule or another operation runs; otherwise
    // `completion` hears how it ended, after the store has shown it.
    bool enqueueChangePassword(QUuid vaultID, const QString& currentPassword, const QString& newPassword,
                               const PasswordChangeCompletion& completion = {});

    // ---- Capacity, recovery key and check ----
    // Each runs in the background through the gate, with the operation banner, and answers
    // `completion` after the store has shown the outcome. False, with the reason in errorMessage,
    // when the request breaks a rule or another operation runs.
    // Records a new capacity (1 to 2048 GB), never below what the vault already uses.
    bool enqueueResize(QUuid vaultID, int sizeInGigabytes, const std::function<void(FormOutcome)>& completion = {});
    // Reads the recovery key of a locked vault with its password; `completion` gets the key.
    bool enqueueShowRecoveryKey(QUuid vaultID, const QString& password, const RecoveryKeyCompletion& completion);
    // Gives a locked vault a new password (the create rules) with its recovery key.
    bool enqueueResetPassword(QUuid vaultID, const QString& recoveryKey, const QString& newPassword,
                              const std::function<void(FormOutcome)>& completion = {});
    // Reads a whole locked vault, changing nothing; cancellable. `completion` gets the findings.
    bool enqueueVerify(QUuid vaultID, const QString& password, const CheckCompletion& completion);
    // The recovery key of the vault created last, kept until the window takes it to show it once.
    std::shared_ptr<const SecretText> takeNewVaultRecoveryKey();

    // ---- Import, item actions, delete and quitting ----
    // Copies files and folders into a vault in the background, with progress in
    // activeOperation; the sources are never moved or changed. A locked vault is unlocked with
    // `password` first (without one, every item fails). True when the import was started;
    // `completion` then gets the result after the store has applied it.
    bool enqueueImportItems(QList<QUrl> urls, QUuid vaultID, std::optional<QString> password,
                            ImportCompletion completion = {});
    // The same import, awaited, without a progress record.
    QCoro::Task<VaultImportBatchResult> importItems(QList<QUrl> urls, QUuid vaultID, std::optional<QString> password);
    // Imports into the selected (unlocked) vault; true only when every source was copied.
    QCoro::Task<bool> addItems(QList<QUrl> urls);

    // Moves a listed top-level item of a mounted vault to the Trash and lists the vault again.
    QCoro::Task<> trashItem(VaultContentItem item, QUuid vaultID);
    QCoro::Task<> trashItem(VaultContentItem item);
    // Open the vault's volume in a file-manager window, open an item (a folder in a window, a
    // file or package with its application), or show an item selected. Each starts the work and
    // returns at once.
    void openVault(QUuid vaultID);
    void openSelectedVault();
    void openItem(VaultContentItem item, QUuid vaultID);
    void revealItem(VaultContentItem item, QUuid vaultID);

    // Locks the vault if it is mounted, moves its image to the Trash and removes it from the
    // catalogue; nothing is deleted when it cannot be locked. Starts the work and returns at once.
    void deleteVault(QUuid vaultID);

    // Ejects every image attached from the storage folder and confirms with a second listing.
    // True only when none is left; otherwise errorMessage names what stayed mounted and a busy
    // vault is offered for a forced lock that continues quitting.
    QCoro::Task<bool> lockAllForTermination();
    // What quitting runs: stops the running create or import where it still can, waits for it,
    // then locks everything. No deferred refresh runs while this is under way.
    QCoro::Task<bool> prepareForTermination();

    // ---- Images the catalogue has lost ----
    // The images in the storage folder that no catalogue entry names (an app stopped between
    // creating an image and cataloguing it leaves one), found by the first refresh after start;
    // each stays offered until it is added or trashed.
    const QList<FoundVaultImage>& foundImages() const { return foundImages_; }
    // Catalogues the found image as a locked vault under the name kept in its metadata (with a
    // number added when another vault has that name), or moves it to the Trash. Each takes the
    // gate, reports through the messages and returns at once.
    void addFoundImage(QUuid imageID);
    void trashFoundImage(QUuid imageID);

signals:
    void vaultsChanged();
    void selectedVaultIDChanged();
    void sessionsChanged();
    void contentChanged();
    void statusChanged();
    void isBusyChanged();
    void busyVaultIDChanged();
    void activeOperationChanged();
    void errorMessageChanged();
    void noticeMessageChanged();
    void unlockFailureChanged();
    void forceLockVaultIDChanged();
    void forceLockContinuesTerminationChanged();
    void deletingVaultIDChanged();
    void selectedCapacityChanged();
    // A create has just finished and takeNewVaultRecoveryKey() holds the new vault's key.
    void newVaultRecoveryKeyReady();
    // Not shown by itself, but it decides state(for:): rows redraw on it as on sessionsChanged.
    void attentionVaultIDsChanged();
    void foundImagesChanged();

protected:
    // The operation gate. Takes it (busy, for `targetVaultID`) unless another operation holds
    // it; a refused caller gets "Há outra operação em andamento." when `reportBusy`.
    bool beginOperation(std::optional<QUuid> targetVaultID, bool reportBusy, bool shouldClearMessages);
    // Every operation ends with this on every path: opens the gate and runs a refresh that was
    // asked for meanwhile.
    void endOperation();

    // Runs a create or import (the caller has already taken the gate): publishes `record` as
    // activeOperation, keeps the task as the operation task, hands `body` the token that
    // cancelActiveOperation() triggers, and when the body is done ends the operation and clears
    // both. `release` runs last on every path, even if the store is gone by then.
    using OperationBody = std::function<QCoro::Task<>(std::stop_token)>;
    void launchOperation(VaultOperationState record, OperationBody body, std::function<void()> release = {});

    // Starts the remembered refresh once the gate is open and quitting has not begun.
    void schedulePendingRefreshIfNeeded();
    QCoro::Task<> performRefresh(bool preservingMessages);
    // Every stop of an operation with an error: its message in errorMessage (by the message
    // rule), the status re-derived, the gate opened.
    void failOperation(const std::exception_ptr& failure);

    // Create: the request's rules in order, giving the name to store (trimmed); the name rules
    // alone; the password rules shared with unlock (not empty, no U+0000).
    QString validatedNewVaultRequest(const QString& name, const QString& password, int sizeInGigabytes) const;
    static QString validatedName(const QString& name);
    static void validatePassword(const QString& password);
    // A password a vault is given: the rules above and at least 8 characters.
    static void validateNewPassword(const QString& password);
    // Creates, catalogues, selects and unlocks a vault, reporting through the messages. The new
    // vault once it is catalogued, else none. The caller holds the gate.
    QCoro::Task<std::optional<Vault>> performCreateVault(QString name, QString password, int sizeInGigabytes,
                                                         std::stop_token cancellation);
    // Records a vault the system has just attached.
    void confirmAttachedSession(const VaultSession& session);
    // After an attach failed: asks the system again where the vault is and words the outcome
    // (a wrong password for an existing vault becomes unlockFailure, not an error banner).
    QCoro::Task<> handleAttachFailure(std::exception_ptr failure, Vault vault, bool createdNow, QStringList warnings,
                                      FinderImportDiskServicing* service);
    // Lists a vault that is now unlocked and says so with `unlockedNotice` and the warnings; a
    // failed listing becomes `listingFailurePrefix` + why, and the vault stays unlocked.
    QCoro::Task<> listUnlockedVault(VaultSession session, QString unlockedNotice, QString listingFailurePrefix,
                                    QStringList warnings);
    QCoro::Task<> performLockSelected(QUuid vaultID, bool force);
    // The lock's steps for a caller that holds the gate: ejects, confirms and reports through
    // the messages; the caller ends the operation.
    QCoro::Task<> lockHoldingGate(QUuid vaultID, bool force);

    // Reconciliation with what the system reports as attached: the store never trusts its own memory
    // about mounts. Discovery asks `service` for the catalogued vaults' sessions and installs them; on
    // failure every vault is marked as needing attention and the failure is rethrown.
    QCoro::Task<> discoverMountedSessions(FinderImportDiskServicing* service);
    // The same, narrowed to one catalogued vault (else VaultError::noSelection): its session,
    // or none when it is not mounted (its listed content is then dropped).
    QCoro::Task<std::optional<VaultSession>> reconciledSession(QUuid vaultID, FinderImportDiskServicing* service);
    // The session of a vault an action works inside, reconciled first; VaultError::vaultLocked
    // when the vault is not mounted.
    QCoro::Task<VaultSession> requiredMountedSession(QUuid vaultID);
    // What is mounted after an eject of `ejected`, whatever the eject answered (only the system
    // can say whether the volume is gone). After a successful eject the mount table says it at
    // once; otherwise a new discovery asks the disk-image tool. Its failure is handed back, not
    // thrown, since the caller weighs it together with the eject's own outcome.
    struct Rediscovery
    {
        std::exception_ptr failure;
    };
    QCoro::Task<Rediscovery> rediscoverAfterEject(VaultSession ejected, bool ejectSucceeded);
    // Installs sessions from an already obtained list of attached images; images that belong
    // to no catalogued vault are ignored.
    void applyStorageMountsToKnownVaults(const QList<MountedDiskImage>& images);
    // The catalogue entry whose image is at `imageURL`, compared as standardized paths with
    // symbolic links resolved.
    std::optional<Vault> vaultForImageAt(const QUrl& imageURL) const;
    // The selected vault's id for an operation on "the selected vault"; without a selection
    // errorMessage asks the user to select one, and the answer is none.
    std::optional<QUuid> requiredSelection();
    // The catalogue entry with this id.
    std::optional<Vault> catalogueVault(const QUuid& vaultID) const;
    // Every listing goes through here: it is kept as the vault's newest listing, shown again when
    // the vault is selected anew, and shown now only if the vault is still selected.
    void publishContent(QList<VaultContentItem> items, const QUuid& vaultID);
    // `base` followed by the non-fatal warnings under the heading "Atenção:", one bulleted line
    // each (a blank line between base and heading); `base` unchanged when there is no warning.
    static std::optional<QString> completionNotice(const std::optional<QString>& base, const QStringList& warnings);

    // The mount state of every catalogued vault is confirmed: `sessions` becomes the map
    // (replacing the old one), no vault needs attention any more, and a selected vault that is
    // not mounted shows no content.
    void installSessions(QHash<QUuid, VaultSession> sessions);
    // The mount state can no longer be trusted: every catalogued vault needs attention and its
    // session is forgotten, so the selection shows no content.
    void markAllVaultsAsNeedingAttention();

    // status = the state of the selected vault, or noSelection.
    void updateStatus();
    // What create, delete and refresh report while the catalogue is unusable.
    VaultError unusableRegistryError() const;

    // Writers of the observed state; each notifies only on a real change. Changing the
    // selection also shows the newly selected vault's kept listing and re-derives the status.
    void setVaults(QList<Vault> vaults);
    void setSelectedVaultID(std::optional<QUuid> vaultID);
    void setSessions(QHash<QUuid, VaultSession> sessions);
    void setContent(QList<VaultContentItem> content);
    void setBusyVaultID(std::optional<QUuid> vaultID);
    void setActiveOperation(std::optional<VaultOperationState> operation);
    void updateActiveOperation(const std::function<void(VaultOperationState&)>& change);
    void setErrorMessage(std::optional<QString> message);
    void setNoticeMessage(std::optional<QString> message);
    void setUnlockFailure(std::optional<VaultUnlockFailure> failure);
    void setForceLockVaultID(std::optional<QUuid> vaultID);
    void setForceLockContinuesTermination(bool continues);
    void setDeletingVaultID(std::optional<QUuid> vaultID);
    void setAttentionVaultIDs(QSet<QUuid> vaultIDs);
    void setSelectedCapacity(std::optional<VaultCapacity> capacity);

    // Steps of import, item actions, delete and quitting. The import reports through the
    // messages and its result, never by throwing; `cancellation` is the running operation's.
    QCoro::Task<VaultImportBatchResult>
    performImportItems(QList<QUrl> urls, QUuid vaultID, std::optional<QString> password, std::stop_token cancellation);
    // Discovery before an import: installs what is mounted and returns it.
    QCoro::Task<QHash<QUuid, VaultSession>> discoverMountedSessionsForImport(FinderImportDiskServicing* service);
    // After a failed attach, asks again what is mounted and words the outcome.
    QCoro::Task<> handleImportAttachFailure(std::exception_ptr failure, Vault vault, QStringList warnings,
                                            FinderImportDiskServicing* service);
    // Re-derives the status and shows the new listing if the vault is still selected.
    void applyImportResult(const VaultImportBatchResult& result, const QUuid& vaultID);

    QCoro::Task<> performOpenSelectedVault();
    QCoro::Task<> performFinderAction(QUuid vaultID, std::optional<VaultContentItem> item, bool reveal);

    QCoro::Task<> performDeleteVault(QUuid vaultID);

    QCoro::Task<> performChangePassword(QUuid vaultID, QString currentPassword, QString newPassword,
                                        PasswordChangeCompletion completion, std::stop_token cancellation);
    // The gate free, the vault catalogued, its image present, then the form's own `checks` (which throw
    // what to fix): the catalogue entry, or none with the reason in errorMessage.
    std::optional<Vault> acceptedVaultRequest(const QUuid& vaultID, const std::function<void()>& checks = {});
    // Keeps the new vault's key for the window; a key that cannot be read becomes a warning.
    QCoro::Task<> keepNewVaultRecoveryKey(Vault vault, QString password, QStringList& warnings);
    // Measures the selected vault when it is unlocked (else forgets the figures), in the background.
    void measureSelectedCapacity();
    void takeCapacityMeasurement(quint64 measurement, const Vault& vault, const std::stop_token& stop);
    // VaultError::insufficientVaultSpace or insufficientDiskSpace when `bytes` of sources would
    // not fit in the vault or on the disk that holds it, encryption's overhead included.
    QCoro::Task<> requireRoomFor(Vault vault, qint64 bytes);
    // Names each vault that was unlocked in `before` and that the system has since confirmed not
    // mounted, and why it locked; none when there is no such vault.
    std::optional<QString> lockedMeanwhileNotice(const QHash<QUuid, VaultSession>& before) const;

    // Unobserved state.
    bool registryIsUsable() const { return registryIsUsable_; }
    const std::optional<QString>& registryFailureDetail() const { return registryFailureDetail_; }
    bool pendingRefreshRequested() const { return pendingRefreshRequested_; }
    bool hasOperationTask() const { return operationTask_.has_value(); }
    bool hasPendingRefreshTask() const { return pendingRefreshTask_.has_value(); }

private:
    template <typename T>
    void assign(T& field, T value, void (VaultStore::*changed)());
    void setStatus(VaultStatus status);
    void clearContentUnlessSelectionIsMounted();
    void setIsBusy(bool busy);
    // The ids of the entries found broken at load: a save writes them back as they were.
    QSet<QUuid> unusableEntryIDs() const;

    // A refresh holds the store weakly: a store destroyed while it awaits the system ends it.
    static QCoro::Task<> runRefresh(QPointer<VaultStore> store, bool preservingMessages);
    QCoro::Task<> performAddFoundImage(QUuid imageID);
    QCoro::Task<> performTrashFoundImage(QUuid imageID);
    std::optional<FoundVaultImage> foundImage(const QUuid& imageID) const;
    void setFoundImages(QList<FoundVaultImage> images);
    void forgetFoundImage(const QUuid& imageID);

    // Both hold the store weakly: if it is gone when they get to run, they end.
    static QCoro::Task<> runOperation(QPointer<VaultStore> store, OperationBody body, std::stop_token stopToken,
                                      std::function<void()> release);
    static QCoro::Task<> runDeferredRefresh(QPointer<VaultStore> store);
    // Runs `work` on the store after the caller has returned, unless the store is gone by then.
    void startDetached(std::function<QCoro::Task<>(VaultStore&)> work);
    static QCoro::Task<> runDetached(QPointer<VaultStore> store, std::function<QCoro::Task<>(VaultStore&)> work);

    // Import, item actions and delete (their own files).
    struct ImportPreparation;
    QCoro::Task<ImportPreparation> prepareImport(QList<QUrl> urls, QUuid vaultID, std::optional<QString> password,
                                                 std::stop_token cancellation);
    std::function<void(VaultCopyProgress)> importProgressHandler(QString sourceName, qint64 byteBase,
                                                                 std::optional<qint64> totalBytes,
                                                                 std::stop_token cancellation);
    void setImportPhase(VaultOperationPhase phase, std::optional<QString> itemName = std::nullopt,
                        std::optional<qint64> completedBytes = std::nullopt,
                        std::optional<qint64> totalBytes = std::nullopt);
    QCoro::Task<> deleteVaultHoldingGate(QUuid vaultID);
    QCoro::Task<bool> lockBeforeDeleting(VaultSession session);
    QCoro::Task<bool> lockAllHoldingGate();

    // Services the store made itself (the convenience constructor); destroyed last.
    struct OwnedServices;
    VaultStore(const KovaraPaths& paths, std::unique_ptr<OwnedServices> owned,
               FinderWorkspaceServicing& finderWorkspace, QObject* parent);
    QCoro::Task<> createVaultInBackground(QString name, QString password, int sizeInGigabytes,
                                          std::optional<QUrl> initialSourceURL, std::stop_token cancellation);

    std::unique_ptr<OwnedServices> ownedServices_;
    DiskImageService& diskImageService_;
    FinderImportDiskServicing& finderImportDiskService_;
    VaultContentServicing& contentService_;
    FinderWorkspaceServicing& finderWorkspace_;
    VaultRegistry registry_;

    QList<Vault> vaults_;
    std::optional<QUuid> selectedVaultID_;
    QHash<QUuid, VaultSession> sessions_;
    QList<VaultContentItem> content_;
    // The newest listing of each mounted vault, dropped with its session.
    QHash<QUuid, QList<VaultContentItem>> listings_;
    VaultStatus status_ = VaultStatus::noSelection;
    bool isBusy_ = false;
    std::optional<QUuid> busyVaultID_;
    std::optional<VaultOperationState> activeOperation_;
    std::optional<QString> errorMessage_;
    std::optional<QString> noticeMessage_;
    std::optional<VaultUnlockFailure> unlockFailure_;
    std::optional<QUuid> forceLockVaultID_;
    bool forceLockContinuesTermination_ = false;
    std::optional<QUuid> deletingVaultID_;

    std::optional<QCoro::Task<>> operationTask_;
    std::stop_source operationStopSource_;
    std::optional<QCoro::Task<>> pendingRefreshTask_;
    bool pendingRefreshRequested_ = false;
    bool isPreparingForTermination_ = false;
    bool registryIsUsable_ = true;
    // Entries found broken at load, by id, with the rule each broke; never re-read.
    QHash<QUuid, QString> entryProblems_;
    QList<FoundVaultImage> foundImages_;
    bool hasLookedForFoundImages_ = false;
    std::optional<QString> registryFailureDetail_;
    // Tells a vault that unmounted itself after sitting idle from one unmounted by someone else.
    std::chrono::seconds idleLockTimeout_{0};
    QSet<QUuid> attentionVaultIDs_;
    std::optional<VaultCapacity> selectedCapacity_;
    // Each measurement's number: one that finishes after a newer one started is dropped.
    quint64 capacityMeasurement_ = 0;
    // Stopped when an operation begins: the service would run that operation only after it.
    std::stop_source capacityStopSource_;
    std::shared_ptr<const SecretText> newVaultRecoveryKey_;
};
