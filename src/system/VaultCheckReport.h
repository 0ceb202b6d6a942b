#pragma once

#include <QStringList>
#include <QtGlobal>

// What a check of a whole vault found: the damaged items (their paths inside the vault, as the
// user knows them) and the items it could not read at all.
struct VaultCheckReport
{
    qint64 damagedCount = 0;
    QStringList damagedItems;
    qint64 skippedCount = 0;

    bool operator==(const VaultCheckReport&) const = default;
};
