#include "content/FileDataCopier.h"

#include "platform/PosixError.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Large enough that a copy costs few system calls per file, small enough that a cancellation is
// noticed within a fraction of a second even on a slow encrypted volume.
constexpr size_t chunkBytes = size_t(4) << 20;

void writeAll(int destination, const char* data, size_t size, const QString& sourcePath)
{
    while (size > 0) {
        const ssize_t written = ::write(destination, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwPosixError(errno, sourcePath);
        }
        data += written;
        size -= size_t(written);
    }
}

} // namespace

qint64 FileDataCopier::copy(int source, const struct stat& sourceStatus, int destination, dev_t destinationDevice,
                            const QString& sourcePath, const ChunkReport& chunkDone)
{
    ::posix_fadvise(source, 0, 0, POSIX_FADV_SEQUENTIAL);
    qint64 copied = 0;
    const bool hasHoles = qint64(sourceStatus.st_blocks) * 512 < qint64(sourceStatus.st_size);
    if (hasHoles && copySparse(source, destination, copied, sourcePath, chunkDone)) {
        return copied;
    }
    const std::pair devices(sourceStatus.st_dev, destinationDevice);
    if (!devicesWithoutKernelCopy_.contains(devices)) {
        if (copyInKernel(source, destination, copied, sourcePath, chunkDone)) {
            return copied;
        }
        devicesWithoutKernelCopy_.insert(devices);
    }
    copyThroughBuffer(source, destination, copied, -1, sourcePath, chunkDone);
    return copied;
}

// A file with holes (fewer blocks than its size: a disk image, a database) is copied region by
// region, seeking over the holes so that the copy keeps them: an empty gigabyte must not become a
// gigabyte of encrypted zeros in the vault. `copied` is the offset reached, holes included.
bool FileDataCopier::copySparse(int source, int destination, qint64& copied, const QString& sourcePath,
                                const ChunkReport& chunkDone)
{
    for (;;) {
        const off_t dataStart = ::lseek(source, copied, SEEK_DATA);
        if (dataStart < 0) {
            if (errno == ENXIO) {
                break; // nothing but a hole from here to the end
            }
            if (copied == 0 && (errno == EINVAL || errno == EOPNOTSUPP)) {
                return false; // the file system cannot tell holes from data
            }
            throwPosixError(errno, sourcePath);
        }
        const off_t dataEnd = ::lseek(source, dataStart, SEEK_HOLE);
        if (dataEnd < 0 || ::lseek(source, dataStart, SEEK_SET) < 0 || ::lseek(destination, dataStart, SEEK_SET) < 0) {
            throwPosixError(errno, sourcePath);
        }
        copied = dataStart;
        copyThroughBuffer(source, destination, copied, dataEnd, sourcePath, chunkDone);
        if (copied < dataEnd) {
            break; // the file shrank meanwhile
        }
    }
    // A hole at the end: the copy gets the source's present size.
    const off_t size = ::lseek(source, 0, SEEK_END);
    if (size < 0) {
        throwPosixError(errno, sourcePath);
    }
    if (size > copied) {
        if (::ftruncate(destination, size) != 0) {
            throwPosixError(errno, sourcePath);
        }
        copied = size;
        chunkDone(copied);
    }
    return true;
}

// copy_file_range lets the kernel move the data (or share it, on file systems that can) without
// passing it through this process. Returns false, having copied nothing, when the two file
// systems do not support it between them.
bool FileDataCopier::copyInKernel(int source, int destination, qint64& copied, const QString& sourcePath,
                                  const ChunkReport& chunkDone)
{
    for (;;) {
        const ssize_t step = ::copy_file_range(source, nullptr, destination, nullptr, chunkBytes, 0);
        if (step == 0) {
            return true;
        }
        if (step < 0) {
            if (errno == EINTR) {
                continue;
            }
            const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
                                     errno == EBADF || errno == EPERM;
            if (copied == 0 && unsupported) {
                return false;
            }
            throwPosixError(errno, sourcePath);
        }
        copied += step;
        chunkDone(copied);
    }
}

void FileDataCopier::copyThroughBuffer(int source, int destination, qint64& copied, qint64 until,
                                       const QString& sourcePath, const ChunkReport& chunkDone)
{
    if (buffer_.empty()) {
        buffer_.resize(chunkBytes);
    }
    for (;;) {
        size_t wanted = buffer_.size();
        if (until >= 0) {
            if (copied >= until) {
                return;
            }
            wanted = size_t(qMin<qint64>(qint64(wanted), until - copied));
        }
        const ssize_t step = ::read(source, buffer_.data(), wanted);
        if (step == 0) {
            return;
        }
        if (step < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwPosixError(errno, sourcePath);
        }
        writeAll(destination, buffer_.data(), size_t(step), sourcePath);
        copied += step;
        chunkDone(copied);
    }
}
