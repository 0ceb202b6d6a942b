#pragma once

#include "content/VaultContentServicing.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <exception>
#include <functional>

// A content service for the store's tests: it answers as configured and records every call.
// By default listing returns `listing`, trashing succeeds, a preflight measures every source
// as `defaultDataBytes`, and adding a source "copies" it to the mount point under its own name,
// reporting `copyProgress` on the way.
class FakeVaultContentService final : public VaultContentServicing
{
public:
    QCoro::Task<QList<VaultContentItem>> listTopLevelItems(QUrl mountPoint) override;
    QCoro::Task<void> trashItem(VaultContentItem item, QUrl mountPoint) override;
    QCoro::Task<VaultCopyPreflight> copyPreflight(QList<QUrl> sources, std::stop_token cancellation) override;
    QCoro::Task<QList<QUrl>> addItems(QList<QUrl> sources, QUrl mountPoint,
                                      std::function<void(VaultCopyProgress)> progress,
                                      std::stop_token cancellation) override;

    // A hook for addItems that waits until the caller cancels (to hold an import "running").
    static std::function<QCoro::Task<void>(QUrl, std::stop_token)> holdUntilCancelled();

    // Answers.
    QList<VaultContentItem> listing;
    std::exception_ptr listFailure;
    std::exception_ptr trashFailure;
    std::exception_ptr preflightFailure;
    qint64 defaultDataBytes = 1000;
    // Per-source preflight answers; std::nullopt marks a source that cannot be measured.
    QHash<QUrl, std::optional<qint64>> dataBytesBySource;
    // addItems throws this for the source, after `beforeAdding` ran.
    QHash<QUrl, std::exception_ptr> addFailureBySource;
    // What addItems returns for the source (default: mount point + the source's file name).
    QHash<QUrl, QList<QUrl>> destinationsBySource;
    // Reported (in order) for each source being added.
    QList<VaultCopyProgress> copyProgress;
    // Awaited before each source is added; it sees the call's stop token.
    std::function<QCoro::Task<void>(QUrl, std::stop_token)> beforeAdding;

    // Calls seen.
    QList<QUrl> listedMountPoints;
    QList<QPair<VaultContentItem, QUrl>> trashedItems;
    QList<QList<QUrl>> preflightSources;
    QList<QPair<QList<QUrl>, QUrl>> addCalls; // (sources, mount point)
};
