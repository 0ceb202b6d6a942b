#pragma once

#include <QUrl>

// A measured source, ready to be copied.
struct VaultFileCopyPlan
{
    // The measured item, standardized.
    QUrl sourceURL;
    // The sum of the sizes of the item's regular files.
    qint64 dataBytes = 0;

    bool operator==(const VaultFileCopyPlan&) const = default;
};
