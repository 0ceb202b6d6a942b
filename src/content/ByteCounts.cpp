#include "content/ByteCounts.h"

#include "platform/PosixError.h"

#include <cerrno>

std::optional<qint64> checkedByteSum(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (a < 0 || b < 0 || __builtin_add_overflow(a, b, &sum)) {
        return std::nullopt;
    }
    return sum;
}

qint64 addingBytes(qint64 a, qint64 b, const QString& path)
{
    if (const std::optional<qint64> sum = checkedByteSum(a, b)) {
        return *sum;
    }
    throwPosixError(EOVERFLOW, path);
}

qint64 replacingBytes(qint64 total, qint64 planned, qint64 actual)
{
    if (planned < 0 || total < planned) {
        throwPosixError(EOVERFLOW);
    }
    return addingBytes(total - planned, actual);
}
