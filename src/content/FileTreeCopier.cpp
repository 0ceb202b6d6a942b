#include "content/FileTreeCopier.h"

#include "content/ByteCounts.h"
#include "content/CopyByteProgressAccumulator.h"
#include "model/CancellationError.h"
#include "posix/DirectoryNames.h"
#include "platform/PosixError.h"
#include "platform/SourceEntry.h"
#include "posix/UniqueFd.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Namespaces the system manages itself (SELinux labels, trusted.*, ACLs on a file system without
// them) may refuse a copy without any user data being lost; the user's own attributes may not.
bool mustKeepAttribute(const char* name)
{
    return qstrncmp(name, "user.", 5) == 0;
}

void copyExtendedAttributes(int source, int destination, const QString& sourcePath)
{
    QByteArray names;
    for (;;) {
        const ssize_t size = ::flistxattr(source, nullptr, 0);
        if (size < 0) {
            if (errno == ENOTSUP) {
                return; // the source's file system keeps no attributes
            }
            throwPosixError(errno, sourcePath);
        }
        names.resize(size);
        const ssize_t listed = ::flistxattr(source, names.data(), size_t(names.size()));
        if (listed >= 0) {
            names.resize(listed);
            break;
        }
        if (errno != ERANGE) { // ERANGE: attributes were added meanwhile; ask again
            throwPosixError(errno, sourcePath);
        }
    }
    QByteArray value;
    for (qsizetype start = 0; start < names.size();) {
        const char* name = names.constData() + start;
        start += qsizetype(qstrlen(name)) + 1;
        ssize_t size = ::fgetxattr(source, name, nullptr, 0);
        if (size >= 0) {
            value.resize(size);
            size = ::fgetxattr(source, name, value.data(), size_t(value.size()));
        }
        if (size < 0) {
            if (errno == ENODATA) {
                continue; // removed meanwhile
            }
            if (mustKeepAttribute(name)) {
                throwPosixError(errno, sourcePath);
            }
            continue;
        }
        if (::fsetxattr(destination, name, value.constData(), size_t(size), 0) != 0 && mustKeepAttribute(name)) {
            throwPosixError(errno, sourcePath);
        }
    }
}

// The owner is kept where the user may set it (always for root; for others, the group when
// they belong to it); the mode after the owner, because a change of owner clears set-id bits.
// Each change is made only when the new entry differs (`createdMode` is the mode it was given):
// on an encrypted FUSE volume every change is a round trip to the daemon, which for many small
// files costs more than their data.
void applyOwnerModeAndTimes(int destination, const struct stat& status, uid_t newOwner, gid_t newGroup,
                            mode_t createdMode, const QString& sourcePath)
{
    if ((status.st_uid != newOwner || status.st_gid != newGroup) &&
        ::fchown(destination, status.st_uid, status.st_gid) != 0) {
        ::fchown(destination, uid_t(-1), status.st_gid);
    }
    if ((createdMode & 07777) != (status.st_mode & 07777) && ::fchmod(destination, status.st_mode & 07777) != 0) {
        throwPosixError(errno, sourcePath);
    }
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (::futimens(destination, times) != 0) {
        throwPosixError(errno, sourcePath);
    }
}

struct stat statusOf(int descriptor, const QString& sourcePath)
{
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0) {
        throwPosixError(errno, sourcePath);
    }
    return status;
}

// Files from this size on may go to the second thread. Smaller ones cost mostly round trips to
// the volume for their creation and attributes, which the walk makes anyway, and a thread each
// would cost more than it saves.
constexpr off_t secondStreamFileBytes = off_t(8) << 20;

} // namespace

FileTreeCopier::DestinationFolder FileTreeCopier::DestinationFolder::of(int descriptor, const QString& sourcePath)
{
    const struct stat status = statusOf(descriptor, sourcePath);
    return {descriptor, status.st_dev, status.st_mode, ::geteuid(),
            (status.st_mode & S_ISGID) ? status.st_gid : ::getegid()};
}

FileTreeCopier::FileTreeCopier(CopyByteProgressAccumulator& progress, std::stop_token cancellation)
    : progress_(progress)
    , forwardedCancellation_(std::move(cancellation), [this] { stopSource_.request_stop(); })
    , cancellation_(stopSource_.get_token())
{
}

FileTreeCopier::~FileTreeCopier()
{
    stopSource_.request_stop();
}

qint64 FileTreeCopier::copy(const QString& sourcePath, const QString& destinationPath)
{
    const auto openFolderOf = [](const QString& path, int access) {
        const QString folder = path.left(path.lastIndexOf(u'/'));
        UniqueFd descriptor(::open(QFile::encodeName(folder.isEmpty() ? QStringLiteral("/") : folder).constData(),
                                   access | O_DIRECTORY | O_CLOEXEC));
        if (!descriptor.isValid()) {
            throwPosixError(errno, folder);
        }
        return descriptor;
    };
    // The source's folder is only passed through, never listed (O_PATH): a folder the user may
    // enter but not list (mode 0711) must not keep a file they can read from being copied.
    const UniqueFd sourceFolder = openFolderOf(sourcePath, O_PATH);
    const UniqueFd destinationFolder = openFolderOf(destinationPath, O_RDONLY);
    copiedBytes_ = 0;
    copyEntry(sourceFolder.get(), QFile::encodeName(sourcePath.mid(sourcePath.lastIndexOf(u'/') + 1)),
              DestinationFolder::of(destinationFolder.get(), destinationPath),
              QFile::encodeName(destinationPath.mid(destinationPath.lastIndexOf(u'/') + 1)), sourcePath);
    collectSecondStream();
    return copiedBytes_;
}

void FileTreeCopier::copyEntry(int sourceFolder, const QByteArray& name, const DestinationFolder& destination,
                               const QByteArray& destinationName, const QString& sourcePath)
{
    throwIfCancelled(cancellation_);
    struct stat status = {};
    if (::fstatat(sourceFolder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        throwPosixError(errno, sourcePath);
    }
    switch (status.st_mode & S_IFMT) {
    case S_IFREG:
        copyRegularFile(sourceFolder, name, destination, destinationName, sourcePath);
        break;
    case S_IFDIR:
        copyDirectory(sourceFolder, name, destination, destinationName, sourcePath);
        break;
    case S_IFLNK:
        copySymbolicLink(sourceFolder, name, status, destination, destinationName, sourcePath);
        break;
    default:
        copySpecialFile(status, destination, destinationName, sourcePath);
        break;
    }
}

void FileTreeCopier::copyRegularFile(int sourceFolder, const QByteArray& name, const DestinationFolder& destination,
                                     const QByteArray& destinationName, const QString& sourcePath)
{
    // O_NONBLOCK: should the entry have become a FIFO since it was inspected, opening it must not
    // hang; the type is checked on the opened file.
    UniqueFd source(openSourceEntry(sourceFolder, name.constData(), O_RDONLY | O_NONBLOCK));
    if (!source.isValid()) {
        throwPosixError(errno, sourcePath);
    }
    const struct stat status = statusOf(source.get(), sourcePath);
    if (!S_ISREG(status.st_mode)) {
        throwPosixError(ENOENT, sourcePath);
    }
    // Reads of the (regular) file block as usual: some file systems answer EAGAIN otherwise.
    ::fcntl(source.get(), F_SETFL, ::fcntl(source.get(), F_GETFL) & ~O_NONBLOCK);
    // Created with its final permissions where it can be (the folder it is made in is private
    // anyway), but writable by its owner until its attributes are copied.
    UniqueFd file(::openat(destination.descriptor, destinationName.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, (status.st_mode & 0777) | S_IWUSR));
    if (!file.isValid()) {
        throwPosixError(errno, sourcePath);
    }
    // Answered from the attributes the creation returned, before a write invalidates them.
    const mode_t createdMode = statusOf(file.get(), sourcePath).st_mode;
    fill({std::move(source), std::move(file), status, createdMode, destination.newOwner, destination.newGroup,
          destination.device, sourcePath});
}

void FileTreeCopier::fill(OpenedFile file)
{
    // The second thread takes a file only when it is free, so at most two files are filled at
    // once; it only ever works on the open files it is given, and never changes a folder.
    if (file.status.st_size >= secondStreamFileBytes && secondStreamIsFree_) {
        collectSecondStream();
        secondStreamIsFree_ = false;
        secondStreamPath_ = file.sourcePath;
        secondStream_ = std::jthread([this, file = std::move(file)]() mutable {
            try {
                secondStreamBytes_ = fillCopy(file, secondStreamData_);
            } catch (...) {
                secondStreamFailure_ = std::current_exception();
            }
            secondStreamIsFree_ = true;
        });
        return;
    }
    copiedBytes_ = addingBytes(copiedBytes_, fillCopy(file, data_), file.sourcePath);
}

qint64 FileTreeCopier::fillCopy(OpenedFile& file, FileDataCopier& data)
{
    const QString& sourcePath = file.sourcePath;
    const qint64 copied = data.copy(file.source.get(), file.status, file.copy.get(), file.device, sourcePath,
                                    [&](qint64 copiedSoFar) { chunkDone(copiedSoFar, sourcePath); });
    copyExtendedAttributes(file.source.get(), file.copy.get(), sourcePath);
    applyOwnerModeAndTimes(file.copy.get(), file.status, file.newOwner, file.newGroup, file.createdMode, sourcePath);
    // A network or FUSE file system may report a failed write only when the file is closed.
    if (!file.copy.closeChecked() && errno != EINTR) {
        throwPosixError(errno, sourcePath);
    }
    return copied;
}

void FileTreeCopier::collectSecondStream()
{
    if (secondStream_.joinable()) {
        secondStream_.join();
    }
    if (secondStreamFailure_) {
        std::rethrow_exception(std::exchange(secondStreamFailure_, nullptr));
    }
    copiedBytes_ = addingBytes(copiedBytes_, std::exchange(secondStreamBytes_, 0), secondStreamPath_);
}

void FileTreeCopier::chunkDone(qint64 copied, const QString& sourcePath)
{
    progress_.update(sourcePath, copied);
    throwIfCancelled(cancellation_);
}

void FileTreeCopier::copyDirectory(int sourceFolder, const QByteArray& name, const DestinationFolder& destination,
                                   const QByteArray& destinationName, const QString& sourcePath)
{
    const UniqueFd source(openSourceEntry(sourceFolder, name.constData(), O_RDONLY | O_DIRECTORY));
    if (!source.isValid()) {
        throwPosixError(errno, sourcePath);
    }
    const struct stat status = statusOf(source.get(), sourcePath);
    // Private and writable while it is being filled; its own mode is applied at the end.
    if (::mkdirat(destination.descriptor, destinationName.constData(), 0700) != 0) {
        throwPosixError(errno, sourcePath);
    }
    const UniqueFd folder(
        ::openat(destination.descriptor, destinationName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isValid()) {
        throwPosixError(errno, sourcePath);
    }
    std::vector<std::string> children;
    if (!readDirectoryNames(source.get(), children)) {
        throwPosixError(errno, sourcePath);
    }
    const DestinationFolder inside = DestinationFolder::of(folder.get(), sourcePath);
    for (const std::string& childName : children) {
        const QByteArray child = QByteArray::fromStdString(childName);
        copyEntry(source.get(), child, inside, child, sourcePath + u'/' + QFile::decodeName(child));
    }
    copyExtendedAttributes(source.get(), folder.get(), sourcePath);
    // Last, because creating the children changed the folder's modification time.
    applyOwnerModeAndTimes(folder.get(), status, destination.newOwner, destination.newGroup, inside.mode, sourcePath);
}

void FileTreeCopier::copySymbolicLink(int sourceFolder, const QByteArray& name, const struct stat& status,
                                      const DestinationFolder& destination, const QByteArray& destinationName,
                                      const QString& sourcePath)
{
    QByteArray target(qMax<qsizetype>(status.st_size, 255) + 1, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(sourceFolder, name.constData(), target.data(), size_t(target.size()));
        if (length < 0) {
            throwPosixError(errno, sourcePath);
        }
        if (length < target.size()) {
            target.resize(length);
            break;
        }
        target.resize(target.size() * 2); // the link grew since it was inspected
    }
    const int folder = destination.descriptor;
    if (::symlinkat(target.constData(), folder, destinationName.constData()) != 0) {
        throwPosixError(errno, sourcePath);
    }
    if ((status.st_uid != destination.newOwner || status.st_gid != destination.newGroup) &&
        ::fchownat(folder, destinationName.constData(), status.st_uid, status.st_gid, AT_SYMLINK_NOFOLLOW) != 0) {
        ::fchownat(folder, destinationName.constData(), uid_t(-1), status.st_gid, AT_SYMLINK_NOFOLLOW);
    }
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (::utimensat(folder, destinationName.constData(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        throwPosixError(errno, sourcePath);
    }
}

// FIFOs, sockets and device nodes are recreated, not read (devices need privileges the user may
// lack; the failure then names the entry).
void FileTreeCopier::copySpecialFile(const struct stat& status, const DestinationFolder& destination,
                                     const QByteArray& destinationName, const QString& sourcePath)
{
    const int folder = destination.descriptor;
    if (::mknodat(folder, destinationName.constData(), (status.st_mode & S_IFMT) | 0600, status.st_rdev) != 0) {
        throwPosixError(errno, sourcePath);
    }
    const UniqueFd node(::openat(folder, destinationName.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!node.isValid()) {
        throwPosixError(errno, sourcePath);
    }
    // An O_PATH descriptor is enough to name the node through /proc without opening it (opening
    // a FIFO would block, a device would be touched).
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(node.get());
    if ((status.st_uid != destination.newOwner || status.st_gid != destination.newGroup) &&
        ::chown(procPath.constData(), status.st_uid, status.st_gid) != 0) {
        ::chown(procPath.constData(), uid_t(-1), status.st_gid);
    }
    if (::chmod(procPath.constData(), status.st_mode & 07777) != 0) {
        throwPosixError(errno, sourcePath);
    }
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (::utimensat(AT_FDCWD, procPath.constData(), times, 0) != 0) {
        throwPosixError(errno, sourcePath);
    }
}
