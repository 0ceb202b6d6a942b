#pragma once

#include <QString>

#include <functional>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

// Copies the data of one open regular file into another, from the start: with copy_file_range
// where the two file systems support it between them, region by region past the holes of a
// sparse file so that the copy keeps them, and otherwise through a buffer in large chunks. One
// per thread that copies: it keeps its buffer, and what it learnt about copy_file_range, from one
// file to the next.
class FileDataCopier
{
public:
    // Called after each chunk with the file's bytes copied so far (holes included); it may throw
    // to stop the copy there.
    using ChunkReport = std::function<void(qint64 copiedSoFar)>;

    // Returns the byte count of the copy. Throws a POSIX error naming `sourcePath`.
    qint64 copy(int source, const struct stat& sourceStatus, int destination, dev_t destinationDevice,
                const QString& sourcePath, const ChunkReport& chunkDone);

private:
    // Both return false, having copied nothing, when the file systems do not support
    // copy_file_range between them, or telling holes from data.
    bool copyInKernel(int source, int destination, qint64& copied, const QString& sourcePath,
                      const ChunkReport& chunkDone);
    bool copySparse(int source, int destination, qint64& copied, const QString& sourcePath,
                    const ChunkReport& chunkDone);
    // Reads and writes from the files' current offsets until the end, or until offset `until`
    // when it is not negative; `copied` is the offset reached.
    void copyThroughBuffer(int source, int destination, qint64& copied, qint64 until, const QString& sourcePath,
                           const ChunkReport& chunkDone);

    std::vector<char> buffer_;
    // Pairs of devices between which copy_file_range refused to work, so it is not retried for
    // every file.
    std::set<std::pair<dev_t, dev_t>> devicesWithoutKernelCopy_;
};
