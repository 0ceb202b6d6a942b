#pragma once

#include <QtGlobal>

#include <algorithm>

// How much a vault may hold and how much its encrypted image really takes on disk.
struct VaultCapacity
{
    qint64 capacityBytes = 0;
    qint64 usedBytes = 0;

    qint64 roomLeft() const { return std::max<qint64>(0, capacityBytes - usedBytes); }

    bool operator==(const VaultCapacity&) const = default;
};
