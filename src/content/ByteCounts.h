#pragma once

#include <QString>

#include <optional>

// Byte counts are signed 64-bit; a negative size or a sum past the largest value is an error,
// never a wrapped number that would show a nonsense total or hide a corrupt size.

// a + b, or nothing when either is negative or the sum overflows.
std::optional<qint64> checkedByteSum(qint64 a, qint64 b);

// a + b; throws the POSIX overflow error (naming `path` when given) instead of wrapping.
qint64 addingBytes(qint64 a, qint64 b, const QString& path = {});

// total − planned + actual, for replacing an item's planned bytes by what it really had; throws
// the POSIX overflow error unless total ≥ planned ≥ 0, actual ≥ 0 and nothing overflows.
qint64 replacingBytes(qint64 total, qint64 planned, qint64 actual);
