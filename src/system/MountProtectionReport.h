#pragma once

#include <QStringList>

// Non-fatal problems met while protecting storage or a mounted volume (a hidden flag or an
// indexing command that failed), as warning sentences in the order they arose. Empty means
// everything was applied.
struct MountProtectionReport
{
    QStringList warnings;

    bool operator==(const MountProtectionReport&) const = default;
};
