#pragma once

#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultError.h"
#include "model/VaultSession.h"
#include "platform/SerialExecutor.h"
#include "platform/SystemLog.h"
#include "system/FinderImportDiskServicing.h"
#include "system/FoundVaultImage.h"
#include "system/MountProtectionReport.h"
#include "system/MountedDiskImage.h"
#include "system/StorageSafety.h"
#include "system/SystemProcessRunner.h"
#include "system/VaultCapacity.h"
#include "system/VaultCheckReport.h"
#include "system/VaultImageRemoval.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stop_token>
#include <utility>

// Every vault is one encrypted sparse-bundle image in the storage folder. This service keeps that
// folder safe, creates, attaches and protects images, asks the system which images are attached,
// detaches them and moves an image to the Trash. It keeps no state between calls: what is
// mounted is always asked of the disk-image tool again.
//
// Operations run one at a time, each on the service's own worker thread (tools through the
// shared runner), so none of them ever blocks the caller's thread. A password exists only as a
// NUL-terminated buffer for the one tool run that reads it on standard input, and that buffer is
// wiped on every path.
class SecretBytes;
class SecretText;

class DiskImageService : public FinderImportDiskServicing
{
public:
    // Moves an item to the Trash; returns where it went (or nothing) or throws.
    using TrashFunction = std::function<std::optional<QUrl>(const QUrl&)>;

    DiskImageService(KovaraPaths paths, SystemProcessRunner& runner, TrashFunction trash = defaultTrash());

    static TrashFunction defaultTrash();

    // Creates the application and storage folders as real 0700 directories, marks the storage
    // folder for the indexer and hides it. A hidden flag that cannot be set is only a warning.
    QCoro::Task<MountProtectionReport> prepareStorage();

    // The images in the storage folder that no entry of `catalogue` names and that are Kovara's
    // by name and content (a real `<lower-case id>.sparsebundle` folder holding the image
    // metadata), in name order. Any other uncatalogued entry there is only logged, once per run.
    // Nothing is moved or deleted.
    QCoro::Task<QList<FoundVaultImage>> uncataloguedImages(QList<Vault> catalogue);

    // Creates the vault's encrypted image (not attached). Nothing is left behind when it fails.
    QCoro::Task<MountProtectionReport> createSparseBundle(Vault vault, int sizeInGigabytes, QString password,
                                                          std::stop_token cancellation);

    // Unlocks and mounts the vault's image and protects its volume. When protection fails after
    // the mount, the volume is detached again; if that fails too, MountedRollbackFailure carries
    // the session that is still mounted. A refused password gives VaultError::unlockFailed; every
    // other cause the tool names (AttachExitStatus), and a time-out, its own case.
    QCoro::Task<std::pair<VaultSession, MountProtectionReport>> attach(Vault vault, QString password,
                                                                       std::stop_token cancellation) override;

    // Attaches from now on ask the volume to unmount itself after this long without use (gocryptfs
    // watches for it); zero, the default, keeps it mounted until it is detached. Volumes already
    // attached keep what they were given. May be called from any thread.
    void setIdleTimeout(std::chrono::seconds timeout);

    // Gives the vault's image a new password; its contents stay as they are. A refused current
    // password gives VaultError::currentPasswordIncorrect. However it ends, one of the two
    // passwords opens the image.
    QCoro::Task<void> changePassword(Vault vault, QString currentPassword, QString newPassword,
                                     std::stop_token cancellation);

    // The vault's capacity and the space its encrypted image takes on disk.
    QCoro::Task<VaultCapacity> capacity(Vault vault, std::stop_token cancellation) override;
    // Records a new capacity; VaultError::capacityBelowUsage when the image already takes more.
    QCoro::Task<void> resize(Vault vault, int sizeInGigabytes);

    // The vault's recovery key (its 64 hexadecimal digits), read with its password, in a buffer
    // that is wiped when the last holder lets it go. A wrong password gives
    // VaultError::vaultPasswordIncorrect.
    QCoro::Task<std::shared_ptr<const SecretText>> recoveryKey(Vault vault, QString password,
                                                               std::stop_token cancellation);
    // Gives the vault a new password with its recovery key (digits with or without dashes and
    // spaces). A key that does not open the vault gives VaultError::recoveryKeyIncorrect and
    // changes nothing; otherwise the old password stops working and the contents stay.
    QCoro::Task<void> resetPassword(Vault vault, QString recoveryKey, QString newPassword,
                                    std::stop_token cancellation);
    // Reads the whole locked vault, changing nothing, and reports what is damaged. No time-out:
    // a large vault takes as long as reading it does; cancellation stops it.
    QCoro::Task<VaultCheckReport> verify(Vault vault, QString password, std::stop_token cancellation);

    // Keeps indexers out of a mounted volume: the marker file (whose failure throws) and the two
    // indexing commands (whose failures are warnings).
    QCoro::Task<MountProtectionReport> protectMountPoint(QUrl mountPoint);
    QCoro::Task<MountProtectionReport> protectExistingMount(VaultSession session) override;

    // Deletes the image of a vault whose creation is being undone. Runs on the caller's thread.
    void rollbackNewSparseBundle(const Vault& vault);

    // Every catalogued vault whose image is attached and mounted.
    QCoro::Task<QHash<QUuid, VaultSession>> mountedSessions(QList<Vault> vaults) override;

    // Every mounted image lying directly in the storage folder, catalogued or not.
    QCoro::Task<QList<MountedDiskImage>> mountedImagesInStorage() override;

    QCoro::Task<void> detach(VaultSession session) override;
    QCoro::Task<void> forceDetach(VaultSession session) override;
    QCoro::Task<void> detach(MountedDiskImage image);

    // Forced: one "hdiutil detach -force". Polite: "diskutil eject" up to three times while the
    // volume is busy (0.8 s apart), then VaultError::volumeBusy with the holders it names; after
    // any other failure one "hdiutil detach". A cancellation, also during a pause, ends it with
    // CancellationError.
    QCoro::Task<void> eject(QUrl mountPoint, bool force, std::stop_token cancellation) override;

    // Reads /proc/self/mountinfo on the caller's thread: a read of the kernel's table that no
    // file system, however hung, can hold up.
    bool hasLeftMountTable(const QUrl& mountPoint) override;
    bool isStillMounted(const VaultSession& session) override;
    bool mountTableHoldsOnly(const QList<VaultSession>& sessions) override;

    // Moves the (detached) image to the Trash under a readable name derived from the vault's
    // name. When the Trash refuses, the image goes back to its place and name, hidden again.
    QCoro::Task<VaultImageRemoval> trashImage(Vault vault);

    // The readable name (without extension) an image gets in the Trash, or nothing when the
    // vault's name cannot give one: empty, longer than 80 characters, or itself a UUID.
    static std::optional<QString> trashFriendlyName(const QString& vaultName);

private:
    // The exact standard input of every "-stdinpass" run.
    static SecretBytes nulTerminatedPasswords(std::initializer_list<const QString*> passwords);

    // The blocking bodies, run on the service's worker thread.
    MountProtectionReport prepareStorageNow(std::stop_token cancellation);
    QList<FoundVaultImage> uncataloguedImagesNow(const QList<Vault>& catalogue);
    MountProtectionReport createSparseBundleNow(const Vault& vault, int sizeInGigabytes, const QString& password,
                                                std::stop_token cancellation);
    std::pair<VaultSession, MountProtectionReport> attachNow(const Vault& vault, const QString& password,
                                                             std::stop_token cancellation);
    std::pair<VaultSession, MountProtectionReport>
    finishAttach(const Vault& vault, const SystemProcessResult& attachResult, std::stop_token cancellation);
    [[noreturn]] void detachAgainAndRethrow(const VaultSession& session, const std::exception_ptr& failure);
    void changePasswordNow(const Vault& vault, const QString& currentPassword, const QString& newPassword,
                           std::stop_token cancellation);
    VaultCapacity capacityNow(const Vault& vault, const std::stop_token& cancellation);
    void resizeNow(const Vault& vault, int sizeInGigabytes);
    std::shared_ptr<const SecretText> recoveryKeyNow(const Vault& vault, const QString& password,
                                                     std::stop_token cancellation);
    void resetPasswordNow(const Vault& vault, const QString& recoveryKey, const QString& newPassword,
                          std::stop_token cancellation);
    VaultCheckReport verifyNow(const Vault& vault, const QString& password, std::stop_token cancellation);
    // A failed run of the disk-image tool as the error the user reads.
    VaultError hdiutilFailure(const SystemProcessResult& result) const;
    MountProtectionReport protectMountPointNow(const QUrl& mountPoint, std::stop_token cancellation);
    QList<MountedDiskImage> listMountedImages(const QSet<QString>& expectedImagePaths,
                                              const QSet<QString>& expectedParentPaths);
    QHash<QUuid, VaultSession> mountedSessionsNow(const QList<Vault>& vaults);
    QList<MountedDiskImage> mountedImagesInStorageNow();
    void ejectNow(const QUrl& mountPoint, bool force, const std::stop_token& cancellation);
    VaultImageRemoval trashImageNow(const Vault& vault);
    void setHiddenFlag(bool hidden, const QString& path) const;

    // Runs a tool whose failure is only a warning: a non-zero status or a thrown error becomes a
    // sentence built on `base` in `report`.
    void runWarningOnFailure(SystemTool tool, const QStringList& arguments, const QString& base,
                             MountProtectionReport& report, std::stop_token cancellation);

    StorageSafety storage_;
    SystemProcessRunner& runner_;
    TrashFunction trash_;
    SystemLog log_;
    QSet<QString> loggedUncataloguedImages_;
    std::atomic<std::chrono::seconds::rep> idleTimeoutSeconds_ = 0;
    SerialExecutor executor_;
};
