#include "content/CopyByteProgressAccumulator.h"

#include <limits>

CopyByteProgressAccumulator::CopyByteProgressAccumulator(std::function<void(qint64)> report)
    : report_(std::move(report))
{
}

void CopyByteProgressAccumulator::update(const QString& path, qint64 completedForFile)
{
    // Reported under the lock, so that totals from files copied on two threads arrive in order.
    std::lock_guard lock(mutex_);
    const auto stored = reportedDataBytesByPath_.constFind(path);
    const bool known = stored != reportedDataBytesByPath_.cend();
    if (!known && completedForFile <= 0) {
        return;
    }
    const qint64 previous = known ? *stored : 0;
    const qint64 completed = completedForFile < 0 ? 0 : completedForFile;
    if (previous >= completed) {
        return;
    }
    reportedDataBytesByPath_.insert(path, completed);
    if (__builtin_add_overflow(completedBytes_, completed - previous, &completedBytes_)) {
        completedBytes_ = std::numeric_limits<qint64>::max();
    }
    report_(completedBytes_);
}

qint64 CopyByteProgressAccumulator::completedBytes() const
{
    std::lock_guard lock(mutex_);
    return completedBytes_;
}
