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
    // An open folder of the copy with its device and its own mode as created, and the owner and
    // group the kernel gives a new entry made in it (so that an owner change, one more round trip
    // to the encrypted volume per file, is made only when it changes something).
    struct DestinationFolder
    {
        int descriptor = -1;
        dev_t device = 0;
        mode_t mode = 0;
        uid_t newOwner = 0;
        gid_t newGroup = 0;

        static DestinationFolder of(int descriptor, const QString& sourcePath);
    };

    void copyEntry(int sourceFolder, const QByteArray& name, const DestinationFolder& destination,
                   const QByteArray& destinationName, const QString& sourcePath);
    void copyRegularFile(int sourceFolder, const QByteArray& name, const DestinationFolder& destination,
                         const QByteArray& destinationName, const QString& sourcePath);
    void copyDirectory(int sourceFolder, const QByteArray& name, const DestinationFolder& destination,
                       const QByteArray& destinationName, const QString& sourcePath);
    void copySymbolicLink(int sourceFolder, const QByteArray& name, const struct stat& status,
                          const DestinationFolder& destination, const QByteArray& destinationName,
                          const QString& sourcePath);
    void copySpecialFile(const struct stat& status, const DestinationFolder& destination,
                         const QByteArray& destinationName, const QString& sourcePath);

    // Copies the data of an open file and returns its byte count. copyDataInKernel and
    // copySparseData return false, having copied nothing, when the file systems do not support
    // copy_file_range between them, or telling holes from data.
    qint64 copyData(int source, const struct stat& sourceStatus, int destination, dev_t destinationDevice,
                    const QString& sourcePath);
    bool copyDataInKernel(int source, int destination, qint64& copied, const QString& sourcePath);
    bool copySparseData(int source, int destination, qint64& copied, const QString& sourcePath);
    // Reads and writes from the files' current offsets until the end, or until offset `until`
    // when it is not negative; `copied` is the offset reached.
    void copyDataThroughBuffer(int source, int destination, qint64& copied, qint64 until, const QString& sourcePath);
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
