#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <mutex>

// The running byte total of one copy, built from per-file reports. Each file's data counts once
// however many reports arrive for it (reports per file only ever raise its count), and the total
// saturates at the largest signed 64-bit value rather than wrapping.
class CopyByteProgressAccumulator
{
public:
    // `report` receives each new total, in order, under the accumulator's lock: it must not call
    // back into the accumulator.
    explicit CopyByteProgressAccumulator(std::function<void(qint64)> report);

    // `completedForFile` bytes of the file at `path` have been copied so far.
    void update(const QString& path, qint64 completedForFile);

    qint64 completedBytes() const;

private:
    mutable std::mutex mutex_;
    std::function<void(qint64)> report_;
    QHash<QString, qint64> reportedDataBytesByPath_;
    qint64 completedBytes_ = 0;
};
