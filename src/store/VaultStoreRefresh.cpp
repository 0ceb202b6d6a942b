// Refresh: asks the system what is mounted, protects the storage folder and every mounted vault
// again, and lists the selected vault. Problems with protection are reported as warnings; the
// refresh still completes.
#include "store/VaultStore.h"

#include "content/VaultContentServicing.h"
#include "model/ErrorMessage.h"
#include "system/DiskImageService.h"

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
        failOperation(std::make_exception_ptr(unusableRegistryError()));
        co_return;
    }
    QStringList warnings;
    const QHash<QUuid, VaultSession> unlockedBefore = sessions_;
    try {
        co_await discoverMountedSessions(&finderImportDiskService_);
        warnings = (co_await diskImageService_.prepareStorage()).warnings;
        co_await diskImageService_.logUncataloguedImages(vaults_);
    } catch (...) {
        failOperation(std::current_exception());
        co_return;
    }
    // Each session is protected on its own: one vault's failure must not leave the others
    // unprotected.
    const QHash<QUuid, VaultSession> mounted = sessions_;
    for (const VaultSession& session : mounted) {
        try {
            warnings += (co_await finderImportDiskService_.protectExistingMount(session)).warnings;
        } catch (...) {
            warnings.append(
                QStringLiteral("Não foi possível reaplicar a proteção contra indexação em um cofre já montado: ") +
                userMessage(std::current_exception()));
        }
    }
    updateStatus();

    if (target && sessions_.contains(*target)) {
        try {
            publishContent(co_await contentService_.listTopLevelItems(sessions_.value(*target).mountPoint), *target);
        } catch (...) {
            failOperation(std::current_exception());
            co_return;
        }
    } else if (selectedVaultID_ == target) {
        setContent({});
    }

    // A deferred refresh keeps the finished operation's notice, which may already quote some of
    // these warnings; only the new ones are added. A vault that locked meanwhile is news that
    // replaces it.
    const std::optional<QString> lockedMeanwhile = lockedMeanwhileNotice(unlockedBefore);
    const std::optional<QString> base = lockedMeanwhile      ? lockedMeanwhile
                                        : preservingMessages ? noticeMessage_
                                                             : std::nullopt;
    QStringList fresh;
    for (const QString& warning : std::as_const(warnings)) {
        if (!base || !base->contains(warning)) {
            fresh.append(warning);
        }
    }
    if (lockedMeanwhile || !fresh.isEmpty()) {
        setNoticeMessage(completionNotice(base, fresh));
    }
    endOperation();
}
