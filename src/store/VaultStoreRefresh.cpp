// Refresh: asks the system what is mounted, protects the storage folder and every mounted vault
// again, and lists the selected vault. Problems with protection are reported as warnings; the
// refresh still completes. The first refresh after start also looks for images the catalogue
// has lost.
#include "store/VaultStore.h"

#include "content/VaultContentServicing.h"
#include "model/ErrorMessage.h"
#include "system/DiskImageService.h"
#include "system/FinderImportDiskServicing.h"

QCoro::Task<> VaultStore::refresh()
{
    return performRefresh(false);
}

QCoro::Task<> VaultStore::performRefresh(bool preservingMessages)
{
    return runRefresh(QPointer<VaultStore>(this), preservingMessages);
}

// Every step after a suspension first checks that the store still exists: the window may have
// been closed, and the store with it, while the system was answering.
QCoro::Task<> VaultStore::runRefresh(QPointer<VaultStore> store, bool preservingMessages)
{
    const std::optional<QUuid> target = store->selectedVaultID_;
    if (!store->beginOperation(target, false, !preservingMessages)) {
        store->pendingRefreshRequested_ = true;
        co_return;
    }
    if (!store->registryIsUsable_) {
        store->failOperation(std::make_exception_ptr(store->unusableRegistryError()));
        co_return;
    }
    QStringList warnings;
    const QHash<QUuid, VaultSession> unlockedBefore = store->sessions_;
    try {
        auto discovery = store->finderImportDiskService_.mountedSessions(store->vaults_);
        QHash<QUuid, VaultSession> found;
        try {
            found = co_await std::move(discovery);
        } catch (...) {
            if (store) {
                store->markAllVaultsAsNeedingAttention();
            }
            throw;
        }
        if (!store) {
            co_return;
        }
        store->installSessions(std::move(found));
        auto preparation = store->diskImageService_.prepareStorage();
        warnings = (co_await std::move(preparation)).warnings;
        if (store && !store->hasLookedForFoundImages_) {
            auto search = store->diskImageService_.uncataloguedImages(store->vaults_);
            QList<FoundVaultImage> images = co_await std::move(search);
            if (store) {
                store->hasLookedForFoundImages_ = true;
                store->setFoundImages(std::move(images));
            }
        }
    } catch (...) {
        if (store) {
            store->failOperation(std::current_exception());
        }
        co_return;
    }
    if (!store) {
        co_return;
    }
    // Each session is protected on its own: one vault's failure must not leave the others
    // unprotected.
    const QHash<QUuid, VaultSession> mounted = store->sessions_;
    for (const VaultSession& session : mounted) {
        try {
            auto protection = store->finderImportDiskService_.protectExistingMount(session);
            warnings += (co_await std::move(protection)).warnings;
        } catch (...) {
            warnings.append(
                QStringLiteral("Não foi possível reaplicar a proteção contra indexação em um cofre já montado: ") +
                userMessage(std::current_exception()));
        }
        if (!store) {
            co_return;
        }
    }
    store->updateStatus();

    if (target && store->sessions_.contains(*target)) {
        try {
            auto listing = store->contentService_.listTopLevelItems(store->sessions_.value(*target).mountPoint);
            QList<VaultContentItem> items = co_await std::move(listing);
            if (!store) {
                co_return;
            }
            store->publishContent(std::move(items), *target);
        } catch (...) {
            if (store) {
                store->failOperation(std::current_exception());
            }
            co_return;
        }
    } else if (store->selectedVaultID_ == target) {
        store->setContent({});
    }

    // A deferred refresh keeps the finished operation's notice, which may already quote some of
    // these warnings; only the new ones are added. A vault that locked meanwhile is news that
    // replaces it.
    const std::optional<QString> lockedMeanwhile = store->lockedMeanwhileNotice(unlockedBefore);
    const std::optional<QString> base = lockedMeanwhile      ? lockedMeanwhile
                                        : preservingMessages ? store->noticeMessage_
                                                             : std::nullopt;
    QStringList fresh;
    for (const QString& warning : std::as_const(warnings)) {
        if (!base || !base->contains(warning)) {
            fresh.append(warning);
        }
    }
    if (lockedMeanwhile || !fresh.isEmpty()) {
        store->setNoticeMessage(completionNotice(base, fresh));
    }
    store->endOperation();
}
