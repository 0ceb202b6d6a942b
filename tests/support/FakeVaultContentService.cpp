#include "support/FakeVaultContentService.h"

#include "model/CancellationError.h"

#include <qcoro/qcorotimer.h>

#include <chrono>

QCoro::Task<QList<VaultContentItem>> FakeVaultContentService::listTopLevelItems(QUrl mountPoint)
{
    listedMountPoints.append(mountPoint);
    if (listFailure) {
        std::rethrow_exception(listFailure);
    }
    // A copy: QCoro moves from an lvalue given to co_return, which would empty the member.
    co_return QList<VaultContentItem>(listing);
}

QCoro::Task<void> FakeVaultContentService::trashItem(VaultContentItem item, QUrl mountPoint)
{
    trashedItems.append({item, mountPoint});
    if (trashFailure) {
        std::rethrow_exception(trashFailure);
    }
    co_return;
}

QCoro::Task<VaultCopyPreflight> FakeVaultContentService::copyPreflight(QList<QUrl> sources,
                                                                       std::stop_token cancellation)
{
    preflightSources.append(sources);
    throwIfCancelled(cancellation);
    if (preflightFailure) {
        std::rethrow_exception(preflightFailure);
    }
    VaultCopyPreflight preflight;
    for (const QUrl& source : sources) {
        preflight.items.append({source, dataBytesBySource.value(source, defaultDataBytes)});
    }
    co_return preflight;
}

QCoro::Task<QList<QUrl>> FakeVaultContentService::addItems(QList<QUrl> sources, QUrl mountPoint,
                                                           std::function<void(VaultCopyProgress)> progress,
                                                           std::stop_token cancellation)
{
    addCalls.append({sources, mountPoint});
    QList<QUrl> destinations;
    for (const QUrl& source : sources) {
        if (beforeAdding) {
            co_await beforeAdding(source, cancellation);
        }
        throwIfCancelled(cancellation);
        if (const auto failure = addFailureBySource.constFind(source); failure != addFailureBySource.cend()) {
            std::rethrow_exception(*failure);
        }
        for (const VaultCopyProgress& report : copyProgress) {
            progress(report);
        }
        const auto configured = destinationsBySource.constFind(source);
        if (configured != destinationsBySource.cend()) {
            destinations.append(*configured);
        } else {
            destinations.append(QUrl::fromLocalFile(mountPoint.toLocalFile() + u'/' + source.fileName()));
        }
    }
    co_return destinations;
}

std::function<QCoro::Task<void>(QUrl, std::stop_token)> FakeVaultContentService::holdUntilCancelled()
{
    return [](QUrl, std::stop_token cancellation) -> QCoro::Task<void> {
        while (!cancellation.stop_requested()) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        }
    };
}
