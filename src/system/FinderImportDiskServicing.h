#pragma once

#include "model/Vault.h"
#include "model/VaultSession.h"
#include "system/MountProtectionReport.h"
#include "system/MountedDiskImage.h"
#include "system/VaultCapacity.h"

#include <QHash>
#include <QList>
#include <QUrl>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <stop_token>
#include <utility>

// The store's view of the disk-image service: discovery, attach, protection, detach and the
// capacity an import is measured against, so that
// the store can be tested against a scripted double.
class FinderImportDiskServicing
{
public:
    virtual ~FinderImportDiskServicing() = default;

    virtual QCoro::Task<QHash<QUuid, VaultSession>> mountedSessions(QList<Vault> vaults) = 0;
    virtual QCoro::Task<std::pair<VaultSession, MountProtectionReport>> attach(Vault vault, QString password,
                                                                               std::stop_token cancellation) = 0;
    virtual QCoro::Task<MountProtectionReport> protectExistingMount(VaultSession session) = 0;
    virtual QCoro::Task<void> detach(VaultSession session) = 0;
    virtual QCoro::Task<void> forceDetach(VaultSession session) = 0;
    virtual QCoro::Task<QList<MountedDiskImage>> mountedImagesInStorage() = 0;
    virtual QCoro::Task<void> eject(QUrl mountPoint, bool force, std::stop_token cancellation) = 0;
    // True when the system's mount table, read by this process without running a tool, lists
    // nothing at `mountPoint`; false when something is mounted there or the table cannot be read.
    virtual bool hasLeftMountTable(const QUrl& mountPoint) = 0;
    // True when the system's mount table, read the same way, still lists the session's very mount:
    // its mount point with the device entry it was discovered with. False otherwise, or when the
    // table cannot be read.
    virtual bool isStillMounted(const VaultSession& session) = 0;
    // True when every gocryptfs volume in the system's mount table, read the same way, is one of
    // `sessions`, each still its very mount: a discovery could only answer with them. False
    // otherwise, or when the table cannot be read.
    virtual bool mountTableHoldsOnly(const QList<VaultSession>& sessions) = 0;
    virtual QCoro::Task<VaultCapacity> capacity(Vault vault, std::stop_token cancellation) = 0;
};
