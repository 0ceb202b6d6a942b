#pragma once

#include "content/VaultCopyPreflightItem.h"

#include <QList>

#include <optional>

// The sizes of a set of sources, in source order.
struct VaultCopyPreflight
{
    QList<VaultCopyPreflightItem> items;

    // The sum of all items' bytes; absent when any item is unmeasured or the sum would overflow.
    std::optional<qint64> totalBytes() const;

    bool operator==(const VaultCopyPreflight&) const = default;
};
