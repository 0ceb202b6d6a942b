#include "content/VaultFileCopyEngine.h"

#include "content/ByteCounts.h"
#include "content/CopyByteProgressAccumulator.h"
#include "content/FileTreeCopier.h"
#include "model/CancellationError.h"
#include "posix/DirectoryNames.h"
#include "platform/FileLocation.h"
#include "platform/LatestValueSlot.h"
#include "platform/PosixError.h"
#include "platform/SourceEntry.h"
#include "posix/UniqueFd.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Adds the regular files below the open folder to `total`; folders, links, devices and empty
// files add nothing.
void measureFolder(int folder, const QString& folderPath, const std::stop_token& cancellation, qint64& total)
{
    std::vector<std::string> names;
    if (!readDirectoryNames(folder, names)) {
        throwPosixError(errno, folderPath);
    }
    for (const std::string& name : names) {
        throwIfCancelled(cancellation);
        const QString path = folderPath + u'/' + QFile::decodeName(name.c_str());
        struct stat status = {};
        if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            throwPosixError(errno, path);
        }
        if (S_ISREG(status.st_mode) && status.st_size > 0) {
            total = addingBytes(total, status.st_size, path);
        } else if (S_ISDIR(status.st_mode)) {
            const UniqueFd child(openSourceEntry(folder, name.c_str(), O_RDONLY | O_DIRECTORY));
            if (!child.isValid()) {
                throwPosixError(errno, path);
            }
            measureFolder(child.get(), path, cancellation, total);
        }
    }
}

VaultFileCopyPlan makePlan(const QUrl& sourceURL, const std::stop_token& cancellation)
{
    throwIfCancelled(cancellation);
    const QString root = FileLocation::standardizedPath(sourceURL);
    struct stat status = {};
    if (::lstat(QFile::encodeName(root).constData(), &status) != 0) {
        throwPosixError(errno, root);
    }
    qint64 total = 0;
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        total = status.st_size;
    } else if (S_ISDIR(status.st_mode)) {
        const UniqueFd folder(openSourceEntry(AT_FDCWD, QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY));
        if (!folder.isValid()) {
            throwPosixError(errno, root);
        }
        measureFolder(folder.get(), root, cancellation, total);
    }
    return {QUrl::fromLocalFile(root), total};
}

} // namespace

VaultFileCopyEngine::VaultFileCopyEngine() : queue_(QStringLiteral("com.kovara.file-copy"))
{
}

// The work for the queue is always a named lambda: GCC 12 destroys the captures of a lambda
// written inside a co_await expression twice.
QCoro::Task<VaultFileCopyPlan> VaultFileCopyEngine::preflight(QUrl sourceURL, std::stop_token cancellation)
{
    auto measure = [sourceURL, cancellation] { return makePlan(sourceURL, cancellation); };
    co_return co_await queue_.run(std::move(measure));
}

QCoro::Task<qint64> VaultFileCopyEngine::copyItem(VaultFileCopyPlan plan, QUrl destination,
                                                  std::function<void(qint64)> progress, std::stop_token cancellation)
{
    LatestValueSlot<qint64> latestTotal(std::move(progress));
    auto copy = [plan, destination, cancellation, report = latestTotal.publisher()] {
        throwIfCancelled(cancellation);
        CopyByteProgressAccumulator accumulator(report);
        FileTreeCopier copier(accumulator, cancellation);
        return copier.copy(FileLocation::standardizedPath(plan.sourceURL), FileLocation::standardizedPath(destination));
    };
    const qint64 copied = co_await queue_.run(std::move(copy));
    latestTotal.flush();
    co_return copied;
}
