#pragma once

#include "content/VaultContentServicing.h"
#include "model/CancellationError.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <exception>
#include <functional>

// The content service in the store's tests: it answers as configured and records every call.
// By default a listing returns `listing`, trashing succeeds, every source measures 1000 bytes,
// and adding a source "copies" it to the mount point under its own name, reporting
// `copyProgress` on the way.
class FakeVaultContentService final : public VaultContentServicing
{
public:
    QCoro::Task<QList<VaultContentItem>> listTopLevelItems(QUrl mountPoint) override
    {
        listedMountPoints.append(mountPoint);
        if (listFailure) {
            std::rethrow_exception(listFailure);
        }
        co_return QList<VaultContentItem>(listing); // a copy: QCoro moves from a named member
    }

    QCoro::Task<void> trashItem(VaultContentItem item, QUrl mountPoint) override
    {
        trashedItems.append({item, mountPoint});
        co_return;
    }

    QCoro::Task<void> removeStagingLeftovers(QUrl) override { co_return; }

    QCoro::Task<VaultCopyPreflight> copyPreflight(QList<QUrl> sources, std::stop_token cancellation) override
    {
        throwIfCancelled(cancellation);
        VaultCopyPreflight preflight;
        for (const QUrl& source : sources) {
            preflight.items.append({source, dataBytesBySource.value(source, 1000)});
        }
        co_return preflight;
    }

    QCoro::Task<QList<QUrl>> addItems(QList<QUrl> sources, QUrl mountPoint,
                                      std::function<void(VaultCopyProgress)> progress,
                                      std::stop_token cancellation) override
    {
        addCalls.append({sources, mountPoint});
        QList<QUrl> destinations;
        for (const QUrl& source : sources) {
            if (beforeAdding) {
                co_await beforeAdding(source, cancellation);
            }
            throwIfCancelled(cancellation);
            if (addFailureBySource.contains(source)) {
                std::rethrow_exception(addFailureBySource.value(source));
            }
            for (const VaultCopyProgress& report : copyProgress) {
                progress(report);
            }
            destinations += destinationsBySource.value(
                source, {QUrl::fromLocalFile(mountPoint.toLocalFile() + u'/' + source.fileName())});
        }
        co_return destinations;
    }

    // Answers.
    QList<VaultContentItem> listing;
    std::exception_ptr listFailure;
    QHash<QUrl, std::optional<qint64>> dataBytesBySource; // std::nullopt: cannot be measured
    QHash<QUrl, std::exception_ptr> addFailureBySource;   // thrown after beforeAdding ran
    QHash<QUrl, QList<QUrl>> destinationsBySource;        // what adding the source returns
    QList<VaultCopyProgress> copyProgress;                // reported for each source added
    // Awaited before each source is added; it sees the call's stop token.
    std::function<QCoro::Task<void>(QUrl, std::stop_token)> beforeAdding;

    // Calls seen.
    QList<QUrl> listedMountPoints;
    QList<QPair<VaultContentItem, QUrl>> trashedItems;
    QList<QPair<QList<QUrl>, QUrl>> addCalls; // (sources, mount point)
};
