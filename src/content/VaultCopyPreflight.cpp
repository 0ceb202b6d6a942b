#include "content/VaultCopyPreflight.h"

#include "content/ByteCounts.h"

std::optional<qint64> VaultCopyPreflight::totalBytes() const
{
    qint64 total = 0;
    for (const VaultCopyPreflightItem& item : items) {
        if (!item.dataBytes) {
            return std::nullopt;
        }
        const std::optional<qint64> sum = checkedByteSum(total, *item.dataBytes);
        if (!sum) {
            return std::nullopt;
        }
        total = *sum;
    }
    return total;
}
