#pragma once

#include "content/VaultContentItem.h"
#include "content/VaultCopyPreflight.h"
#include "content/VaultCopyProgress.h"

#include <QList>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <functional>
#include <stop_token>

// The store's view of the content service, so that tests can put a double in its place. Every
// operation is a coroutine that resumes on the awaiting (GUI) thread and reports failure by
// throwing (VaultError, a POSIX std::system_error, or CancellationError).
class VaultContentServicing
{
public:
    virtual ~VaultContentServicing() = default;

    // The top level of the unlocked vault mounted at `mountPoint`, folders first, then in the
    // file manager's order. Internal volume items are never listed.
    virtual QCoro::Task<QList<VaultContentItem>> listTopLevelItems(QUrl mountPoint) = 0;

    // Moves a listed top-level item to the volume's own Trash after proving that the entry on
    // disk is still the one that was listed (else VaultError::itemChanged).
    virtual QCoro::Task<void> trashItem(VaultContentItem item, QUrl mountPoint) = 0;

    // Removes the item folders that interrupted imports left in the vault's hidden staging folder.
    // Never throws for a folder it cannot remove.
    virtual QCoro::Task<void> removeStagingLeftovers(QUrl mountPoint) = 0;

    // Measures each source; one that cannot be measured gets no byte count. Throws only
    // CancellationError.
    virtual QCoro::Task<VaultCopyPreflight> copyPreflight(QList<QUrl> sources, std::stop_token cancellation) = 0;

    // Copies the sources into the vault's root under free names and returns their destinations,
    // in source order. `progress` is called on the awaiting thread; byte counts during a copy are
    // coalesced to the newest. The sources are never modified.
    virtual QCoro::Task<QList<QUrl>> addItems(QList<QUrl> sources, QUrl mountPoint,
                                              std::function<void(VaultCopyProgress)> progress,
                                              std::stop_token cancellation) = 0;
};
