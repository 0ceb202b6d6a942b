#pragma once

#include "content/VaultContentItem.h"
#include "content/VaultImportItemFailure.h"

#include <QList>
#include <QUrl>

#include <optional>

// The outcome of one import batch, as the store applied it and as the Finder import sheet sees
// it: which sources were copied, which were not and why, and the vault's new listing.
struct VaultImportBatchResult
{
    // Sources whose copy finished, in input order.
    QList<QUrl> completedSourceURLs;
    // One entry per source that was not copied, in input order.
    QList<VaultImportItemFailure> failures;
    // The vault's new top level; absent when nothing was copied, the whole import failed or the
    // listing afterwards failed.
    std::optional<QList<VaultContentItem>> refreshedContent;

    bool operator==(const VaultImportBatchResult&) const = default;
};
