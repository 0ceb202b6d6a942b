// Unlock: attaches a vault's image with the user's password and lists it. The real mount state is
// asked first, so that a vault mounted outside the program is only protected and listed. Also the
// steps after an attach that create shares: recording the session, wording an attach failure.
#include "store/VaultStore.h"

#include "content/VaultContentServicing.h"
#include "model/ErrorMessage.h"
#include "platform/SecretText.h"
#include "store/AttachFailureWording.h"
#include "system/FinderImportDiskServicing.h"

QCoro::Task<> VaultStore::unlockSelected(QString password)
{
    if (const std::optional<QUuid> vaultID = requiredSelection()) {
        co_await unlock(*vaultID, password);
    }
}

QCoro::Task<> VaultStore::unlock(QUuid vaultID, QString typedPassword)
{
    if (!beginOperation(vaultID, true, true)) {
        co_return;
    }
    // The operation's copies of the password share this buffer, which is wiped when it ends.
    const SecretText secret(typedPassword);
    typedPassword = QString();
    const QString& password = secret.text();
    Vault vault;
    try {
        validatePassword(password);
        const std::optional<Vault> entry = catalogueVault(vaultID);
        if (!entry) {
            throw VaultError(VaultError::Kind::noSelection);
        }
        vault = *entry;
        if (!VaultRegistry::entryExists(vault.imageURL)) {
            throw VaultError(VaultError::Kind::missingImage);
        }
        // The mount table shows nothing but the mounts the last discovery confirmed: a run of the
        // disk-image tool could only repeat that answer, so it is taken as given.
        if (finderImportDiskService_.mountTableHoldsOnly(sessions_.values())) {
            installSessions(sessions_);
        } else {
            co_await discoverMountedSessions(&finderImportDiskService_);
        }
    } catch (...) {
        failOperation(std::current_exception());
        co_return;
    }

    if (const auto mounted = sessions_.constFind(vaultID); mounted != sessions_.cend()) {
        // Mounted by hand or before a restart: nothing to attach, but the protection may be
        // missing. A copy, since the sessions may change while the protection is awaited.
        const VaultSession session = *mounted; // NOLINT(performance-unnecessary-copy-initialization)
        MountProtectionReport report;
        try {
            report = co_await finderImportDiskService_.protectExistingMount(session);
        } catch (...) {
            failOperation(std::current_exception());
            co_return;
        }
        updateStatus();
        co_await listUnlockedVault(session, QStringLiteral("O cofre já estava desbloqueado."),
                                   QStringLiteral("O cofre está desbloqueado, mas seu conteúdo não pôde ser listado: "),
                                   report.warnings);
        endOperation();
        co_return;
    }

    std::pair<VaultSession, MountProtectionReport> attached;
    std::exception_ptr attachFailure;
    // A hung FUSE device or a blocking tool would hold the window for the tool's whole time-out:
    // the banner offers to stop it, and quitting stops it too.
    operationStopSource_ = std::stop_source();
    VaultOperationState record = VaultOperationState::starting(VaultOperationKind::unlock, vaultID);
    record.phase = VaultOperationPhase::unlockingVault;
    setActiveOperation(record);
    try {
        attached = co_await finderImportDiskService_.attach(vault, password, operationStopSource_.get_token());
    } catch (...) {
        attachFailure = std::current_exception();
    }
    setActiveOperation(std::nullopt);
    if (attachFailure) {
        co_await handleAttachFailure(attachFailure, vault, false, {}, &finderImportDiskService_);
    } else {
        confirmAttachedSession(attached.first);
        co_await listUnlockedVault(attached.first, QStringLiteral("Cofre desbloqueado."),
                                   QStringLiteral("O cofre foi desbloqueado, mas seu conteúdo não pôde ser listado: "),
                                   attached.second.warnings);
    }
    endOperation();
}

void VaultStore::confirmAttachedSession(const VaultSession& session)
{
    QHash<QUuid, VaultSession> sessions = sessions_;
    sessions.insert(session.vaultID, session);
    setSessions(std::move(sessions));
    QSet<QUuid> unconfirmed = attentionVaultIDs_;
    unconfirmed.remove(session.vaultID);
    setAttentionVaultIDs(std::move(unconfirmed));
    updateStatus();
}

QCoro::Task<> VaultStore::listUnlockedVault(VaultSession session, QString unlockedNotice, QString listingFailurePrefix,
                                            QStringList warnings)
{
    // An unlocked vault starts clean: copies of interrupted imports are not kept hidden in it.
    co_await contentService_.removeStagingLeftovers(session.mountPoint);
    try {
        publishContent(co_await contentService_.listTopLevelItems(session.mountPoint), session.vaultID);
    } catch (...) {
        updateStatus();
        publishContent({}, session.vaultID);
        setErrorMessage(listingFailurePrefix + userMessage(std::current_exception()));
        setNoticeMessage(completionNotice(QStringLiteral("O cofre permanece desbloqueado."), warnings));
        co_return;
    }
    setNoticeMessage(completionNotice(unlockedNotice, warnings));
}

QCoro::Task<> VaultStore::handleAttachFailure(std::exception_ptr failure, Vault vault, bool createdNow,
                                              QStringList warnings, FinderImportDiskServicing* service)
{
    // The attach may have left the volume mounted (or its clean-up may have failed): only the
    // system can say which.
    std::exception_ptr discoveryFailure;
    try {
        co_await discoverMountedSessions(service);
    } catch (...) {
        discoveryFailure = std::current_exception();
    }
    using MountState = AttachFailureWording::MountState;
    MountState state = MountState::unconfirmed;
    if (discoveryFailure) {
        publishContent({}, vault.id);
        updateStatus();
    } else if (const auto mounted = sessions_.constFind(vault.id); mounted != sessions_.cend()) {
        state = MountState::mounted;
        // Shown as far as it can be; the failure being reported is the attach's, not this.
        const QUrl mountPoint = mounted->mountPoint;
        QList<VaultContentItem> items;
        try {
            items = co_await contentService_.listTopLevelItems(mountPoint);
        } catch (...) {
            items.clear();
        }
        publishContent(items, vault.id);
    } else {
        state = MountState::notMounted;
        publishContent({}, vault.id);
    }

    const AttachFailureWording wording = AttachFailureWording::describe(failure, createdNow, state, discoveryFailure);
    if (state == MountState::notMounted && !createdNow && isVaultError(failure, VaultError::Kind::unlockFailed)) {
        // A wrong password is said beside the password field, not in a banner.
        setErrorMessage(std::nullopt);
        setUnlockFailure(VaultUnlockFailure{vault.id, wording.errorMessage});
    } else {
        setErrorMessage(wording.errorMessage);
    }
    setNoticeMessage(completionNotice(wording.noticeBase, warnings));
}
