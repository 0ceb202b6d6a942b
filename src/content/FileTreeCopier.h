#pragma once

#include <QByteArray>
#include <QString>

#include <set>
#include <stop_token>
#include <sys/stat.h>
#include <utility>
#include <vector>

class CopyByteProgressAccumulator;

// Copies one entry (a file, a symbolic link, a special file or a whole folder tree) to a new
// path: data in large chunks, extended attributes, owner where allowed, mode, and access and
// modification times to the nanosecond. No symbolic link is followed on either side: every
// step is an *at() call relative to an open directory, with O_NOFOLLOW, so a link swapped in
// mid-copy cannot redirect a read or a write. The source is only read (O_NOATIME, so not even
// its access time changes). Cancellation is checked before each entry and between chunks.
class FileTreeCopier
{
public:
    FileTreeCopier(CopyByteProgressAccumulator& progress, std::stop_token cancellation);

    // Copies `sourcePath` (its last component not followed) to `destinationPath`, which must not
    // exist yet in an existing folder. Returns the bytes of file data written. Throws a POSIX
    // error naming the entry that failed, or CancellationError; what was copied stays behind for
    // the caller to remove.
    qint64 copy(const QString& sourcePath, const QString& destinationPath);

private:
    void copyEntry(int sourceFolder, const QByteArray& name, int destinationFolder, const QByteArray& destinationName,
                   const QString& sourcePath);
    void copyRegularFile(int sourceFolder, const QByteArray& name, int destinationFolder,
                         const QByteArray& destinationName, const QString& sourcePath);
    void copyDirectory(int sourceFolder, const QByteArray& name, int destinationFolder,
                       const QByteArray& destinationName, const QString& sourcePath);
    void copySymbolicLink(int sourceFolder, const QByteArray& name, const struct stat& status,
                          int destinationFolder, const QByteArray& destinationName, const QString& sourcePath);
    void copySpecialFile(const struct stat& status, int destinationFolder, const QByteArray& destinationName,
                         const QString& sourcePath);

    // Copies the data of an open file and returns its byte count. copyDataInKernel returns false,
    // having copied nothing, when copy_file_range does not work between the two file systems.
    qint64 copyData(int source, const struct stat& sourceStatus, int destination, dev_t destinationDevice,
                  const QString& sourcePath);
    bool copyDataInKernel(int source, int destination, qint64& copied, const QString& sourcePath);
    void copyDataThroughBuffer(int source, int destination, qint64& copied, const QString& sourcePath);
    // Reports the file's progress and stops between chunks when cancelled.
    void chunkDone(qint64 copied, const QString& sourcePath);

    CopyByteProgressAccumulator& progress_;
    std::stop_token cancellation_;
    std::vector<char> buffer_;
    // Pairs of devices between which copy_file_range refused to work, so it is not retried for
    // every file.
    std::set<std::pair<dev_t, dev_t>> devicesWithoutKernelCopy_;
    qint64 copiedBytes_ = 0;
};
