#pragma once

#include <QUrl>

#include <optional>

// The measured size of one source, before an import.
struct VaultCopyPreflightItem
{
    // The source exactly as the caller gave it.
    QUrl sourceURL;
    // Bytes of data in the item; absent when it could not be measured (missing, unreadable).
    std::optional<qint64> dataBytes;

    bool operator==(const VaultCopyPreflightItem&) const = default;
};
