#pragma once

#include "content/VaultCopyPhase.h"

#include <QString>

#include <optional>

// One progress report of an import call.
struct VaultCopyProgress
{
    // Bytes copied so far in this call.
    qint64 completedBytes = 0;
    // Expected bytes for the whole call; absent only in the first report.
    std::optional<qint64> totalBytes;
    // The original name of the item being copied or committed.
    std::optional<QString> currentItem;
    // Items already committed (during an item: that item's zero-based position).
    int completedItemCount = 0;
    int totalItemCount = 0;
    VaultCopyPhase phase = VaultCopyPhase::preparing;

    bool operator==(const VaultCopyProgress&) const = default;
};
