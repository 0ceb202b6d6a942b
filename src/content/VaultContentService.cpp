#include "content/VaultContentService.h"

#include "content/ByteCounts.h"
#include "content/InternalVolumeItems.h"
#include "model/CancellationError.h"
#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "platform/PosixError.h"
#include "platform/VolumeTrash.h"
#include "posix/DirectoryNames.h"
#include "posix/FileTreeRemoval.h"
#include "posix/UniqueFd.h"

#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

// How many numbered names ("Name 2" to "Name 10000") are tried before giving up, and how often a
// commit is retried when another program takes the chosen name just before the move.
constexpr int lastNameNumber = 10000;
constexpr int commitAttempts = 10000;

// Folders that the Finder treats as single documents or applications: they are listed among the
// files, not among the folders.
bool hasPackageExtension(const QString& name)
{
    static const QSet<QString> extensions{
        QStringLiteral("app"),          QStringLiteral("appex"),         QStringLiteral("bundle"),
        QStringLiteral("framework"),    QStringLiteral("plugin"),        QStringLiteral("kext"),
        QStringLiteral("xpc"),          QStringLiteral("prefpane"),      QStringLiteral("qlgenerator"),
        QStringLiteral("mdimporter"),   QStringLiteral("saver"),         QStringLiteral("wdgt"),
        QStringLiteral("rtfd"),         QStringLiteral("pages"),         QStringLiteral("numbers"),
        QStringLiteral("key"),          QStringLiteral("sparsebundle"),  QStringLiteral("photoslibrary"),
        QStringLiteral("musiclibrary"), QStringLiteral("fcpbundle"),     QStringLiteral("logicx"),
        QStringLiteral("band"),         QStringLiteral("imovielibrary"), QStringLiteral("playground"),
        QStringLiteral("xcodeproj"),    QStringLiteral("xcworkspace"),   QStringLiteral("xcarchive"),
        QStringLiteral("scptd"),        QStringLiteral("pkg"),           QStringLiteral("mpkg"),
        QStringLiteral("dsym"),         QStringLiteral("docarchive"),
    };
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 && extensions.contains(name.mid(dot + 1).toLower());
}

QDateTime modificationDateOf(const struct stat& status)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000,
                                          Qt::UTC);
}

// Folders first, then the Finder's order: case-insensitive, digit runs by numeric value. Each
// name's collation key is made once, so that a listing of tens of thousands of items is sorted
// by comparing bytes rather than by collating every pair of names anew.
QList<VaultContentItem> sortedForDisplay(QList<VaultContentItem> items)
{
    QCollator collator(QLocale(QLocale::Portuguese, QLocale::Brazil));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Keyed
    {
        bool isFolder;
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<std::size_t>(items.size()));
    for (qsizetype index = 0; index < items.size(); ++index) {
        const VaultContentItem& item = items.at(index);
        keyed.push_back({item.isNavigableFolder(), collator.sortKey(item.name), index});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.isFolder != b.isFolder) {
            return a.isFolder;
        }
        return a.key.compare(b.key) < 0;
    });
    QList<VaultContentItem> sorted;
    sorted.reserve(items.size());
    for (const Keyed& entry : keyed) {
        sorted.append(std::move(items[entry.index]));
    }
    return sorted;
}

QList<VaultContentItem> listItems(const QString& root)
{
    const UniqueFd folder(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> names;
    if (!folder.isValid() || !readDirectoryNames(folder.get(), names)) {
        throwPosixError(errno, root);
    }
    QList<VaultContentItem> items;
    for (const std::string& encodedName : names) {
        const QString name = QFile::decodeName(encodedName.c_str());
        if (InternalVolumeItems::contains(name)) {
            continue;
        }
        const QString path = root + u'/' + name;
        struct stat status = {};
        if (::fstatat(folder.get(), encodedName.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            throwPosixError(errno, path);
        }
        const bool isDirectory = S_ISDIR(status.st_mode);
        items.append(VaultContentItem(QUrl::fromLocalFile(path), isDirectory, hasPackageExtension(name),
                                      isDirectory ? std::nullopt : std::optional<qint64>(status.st_size),
                                      modificationDateOf(status), VaultFileIdentity::of(status)));
    }
    return sortedForDisplay(std::move(items));
}

void moveItemToTrash(const VaultContentItem& item, const QString& root)
{
    const QString itemPath = FileLocation::standardizedPath(item.url);
    const QString name = FileLocation::lastPathComponent(itemPath);
    if (itemPath.isEmpty() || itemPath == QStringLiteral("/") ||
        itemPath.left(itemPath.size() - name.size() - 1) != root || InternalVolumeItems::contains(name)) {
        throw VaultError(VaultError::Kind::itemChanged);
    }
    struct stat status = {};
    if (::lstat(QFile::encodeName(itemPath).constData(), &status) != 0) {
        throwPosixError(errno, itemPath);
    }
    if (VaultFileIdentity::of(status) != item.fileSystemIdentity) {
        throw VaultError(VaultError::Kind::itemChanged);
    }
    VolumeTrash::ofVolume(root).moveToTrash(itemPath);
}

// lstat, so that a link that leads nowhere still occupies its name.
bool entryExists(const QString& path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) == 0) {
        return true;
    }
    if (errno != ENOENT) {
        throwPosixError(errno, path);
    }
    return false;
}

// The vault as an import sees it: its root as given (where items are named and staged) and
// with links resolved (what sources are compared with).
struct ImportTarget
{
    QString root;
    QString resolvedRoot;
    QString stagingRoot;
    // The vault volume's own device, when the root is the top of its own file system (as a
    // mounted vault always is): nothing on that device may be a source.
    std::optional<dev_t> volumeDevice;
};

// Removes the item folders that interrupted imports left in a vault's staging folder: copies no
// one will finish, invisible to the user and taking room. Only the store's one running operation
// ever copies into a vault, so none of them is still in use. Best effort: a folder that cannot
// go now is tried again next time.
void clearStagingFolder(const QString& stagingRoot)
{
    const std::string encodedRoot = QFile::encodeName(stagingRoot).toStdString();
    const std::string prefix = encodedRoot + '/';
    const UniqueFd staging(::open(encodedRoot.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> names;
    if (!staging.isValid() || !readDirectoryNames(staging.get(), names)) {
        return;
    }
    for (const std::string& name : names) {
        removeFileTree(prefix + name);
    }
}

ImportTarget prepareImportTarget(const QString& root)
{
    ImportTarget target{
        root, FileLocation::resolvedPathOrThrow(root), root + u'/' + InternalVolumeItems::stagingFolderName, {}};
    const QByteArray staging = QFile::encodeName(target.stagingRoot);
    struct stat status = {};
    if (entryExists(target.stagingRoot)) {
        if (::lstat(staging.constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            throw VaultError(VaultError::Kind::invalidItem);
        }
    } else if (::mkdir(staging.constData(), 0700) != 0) {
        throwPosixError(errno, target.stagingRoot);
    }
    clearStagingFolder(target.stagingRoot);
    struct stat parentStatus = {};
    if (::stat(QFile::encodeName(target.resolvedRoot).constData(), &status) != 0 ||
        ::stat(QFile::encodeName(target.resolvedRoot + QStringLiteral("/..")).constData(), &parentStatus) != 0) {
        throwPosixError(errno, target.resolvedRoot);
    }
    if (status.st_dev != parentStatus.st_dev) {
        target.volumeDevice = status.st_dev;
    }
    return target;
}

// Refuses a source that cannot or must not be copied into the vault and returns its
// standardized path.
QString validatedSourcePath(const QUrl& source, const ImportTarget& target)
{
    QString path = FileLocation::standardizedPath(source);
    const QString name = FileLocation::lastPathComponent(path);
    if (!path.startsWith(u'/') || path == QStringLiteral("/") || name.isEmpty() || name == QStringLiteral(".") ||
        name == QStringLiteral("..")) {
        throw VaultError(VaultError::Kind::invalidItem);
    }
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno == ENOENT) {
            throw VaultError::sourceMissing(name);
        }
        throwPosixError(errno, path);
    }
    const QString resolved = FileLocation::resolvedPathOrThrow(path);
    if (resolved == QStringLiteral("/") || FileLocation::lastPathComponent(resolved).isEmpty()) {
        throw VaultError(VaultError::Kind::invalidItem);
    }
    // The vault itself or something inside it, whether reached through its mount point, through
    // a link, or through another path onto the vault's own file system.
    if (FileLocation::isSameOrInside(resolved, target.resolvedRoot) || status.st_dev == target.volumeDevice) {
        throw VaultError(VaultError::Kind::invalidItem);
    }
    // A folder holding the vault would be copied into itself.
    if (S_ISDIR(status.st_mode) && FileLocation::isSameOrInside(target.resolvedRoot, resolved)) {
        throw VaultError(VaultError::Kind::invalidItem);
    }
    return path;
}

QString createItemFolder(const QString& stagingRoot)
{
    QString path = stagingRoot + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
        throwPosixError(errno, path);
    }
    return path;
}

// The first free name for `name` in `root`: the name itself, else "base 2.ext", "base 3.ext"...
// (archive.tar.gz becomes "archive.tar 2.gz", a name without extension or starting with its
// only dot, such as ".hidden", gets the number at its end).
QString uniqueDestination(const QString& name, const QString& root)
{
    if (!entryExists(root + u'/' + name)) {
        return root + u'/' + name;
    }
    const qsizetype dot = name.lastIndexOf(u'.');
    const bool hasExtension = dot > 0 && dot < name.size() - 1;
    const QString base = hasExtension ? name.left(dot) : name;
    const QString extension = hasExtension ? name.mid(dot) : QString();
    for (int number = 2; number <= lastNameNumber; ++number) {
        QString candidate = root + u'/' + base + u' ' + QString::number(number) + extension;
        if (!entryExists(candidate)) {
            return candidate;
        }
    }
    throw VaultError::destinationExists(name);
}

// Moves the finished copy to its final name. The move never replaces an entry: when another
// program takes the chosen name first, the next free name is chosen.
QString commitPayload(const QString& payload, const QString& originalName, const QString& root)
{
    const QByteArray from = QFile::encodeName(payload);
    for (int attempt = 0; attempt < commitAttempts; ++attempt) {
        QString destination = uniqueDestination(originalName, root);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, QFile::encodeName(destination).constData(),
                        RENAME_NOREPLACE) == 0) {
            return destination;
        }
        const int failure = errno;
        if (failure != EEXIST && !entryExists(destination)) {
            throwPosixError(failure, destination);
        }
    }
    throw VaultError::destinationExists(originalName);
}

struct PreparedCopyItem
{
    QString originalName;
    VaultFileCopyPlan plan;
};

qint64 sumDataBytes(const QList<PreparedCopyItem>& items)
{
    qint64 total = 0;
    for (const PreparedCopyItem& item : items) {
        total = addingBytes(total, item.plan.dataBytes);
    }
    return total;
}

} // namespace

VaultContentService::VaultContentService() : worker_(QStringLiteral("com.kovara.content"))
{
}

// Work for the worker is always a named lambda: GCC 12 destroys the captures of a lambda written
// inside a co_await expression twice.

QCoro::Task<QList<VaultContentItem>> VaultContentService::listTopLevelItems(QUrl mountPoint)
{
    auto list = [root = FileLocation::standardizedPath(mountPoint)] { return listItems(root); };
    co_return co_await worker_.run(std::move(list));
}

QCoro::Task<void> VaultContentService::trashItem(VaultContentItem item, QUrl mountPoint)
{
    auto trash = [item, root = FileLocation::standardizedPath(mountPoint)] { moveItemToTrash(item, root); };
    co_await worker_.run(std::move(trash));
}

QCoro::Task<void> VaultContentService::removeStagingLeftovers(QUrl mountPoint)
{
    auto remove = [root = FileLocation::standardizedPath(mountPoint)] {
        clearStagingFolder(root + u'/' + InternalVolumeItems::stagingFolderName);
    };
    co_await worker_.run(std::move(remove));
}

QCoro::Task<VaultCopyPreflight> VaultContentService::copyPreflight(QList<QUrl> sources, std::stop_token cancellation)
{
    VaultCopyPreflight preflight;
    for (const QUrl& source : sources) {
        throwIfCancelled(cancellation);
        std::optional<qint64> dataBytes;
        bool cancelled = false;
        try {
            dataBytes = (co_await engine_.preflight(FileLocation::standardizedFileURL(source), cancellation)).dataBytes;
        } catch (const CancellationError&) {
            cancelled = true;
        } catch (...) {
            // A missing or unreadable source is not a failure here: it just has no size.
            cancelled = cancellation.stop_requested();
        }
        if (cancelled) {
            throw CancellationError();
        }
        preflight.items.append({source, dataBytes});
    }
    co_return preflight;
}

QCoro::Task<QList<QUrl>> VaultContentService::addItems(QList<QUrl> sources, QUrl mountPoint,
                                                       std::function<void(VaultCopyProgress)> progress,
                                                       std::stop_token cancellation)
{
    using Phase = VaultCopyPhase;
    throwIfCancelled(cancellation);
    const int itemCount = int(sources.size());
    auto prepareTarget = [root = FileLocation::standardizedPath(mountPoint)] { return prepareImportTarget(root); };
    const ImportTarget target = co_await worker_.run(std::move(prepareTarget));
    progress({0, std::nullopt, std::nullopt, 0, itemCount, Phase::preparing});

    // Every source is checked and measured before anything is copied.
    QList<PreparedCopyItem> items;
    for (const QUrl& source : sources) {
        throwIfCancelled(cancellation);
        auto validate = [source, target] { return validatedSourcePath(source, target); };
        const QString path = co_await worker_.run(std::move(validate));
        const VaultFileCopyPlan plan = co_await engine_.preflight(QUrl::fromLocalFile(path), cancellation);
        items.append({FileLocation::lastPathComponent(path), plan});
    }
    qint64 total = sumDataBytes(items);
    progress({0, total, std::nullopt, 0, itemCount, Phase::preparing});

    QList<QUrl> destinations;
    qint64 base = 0;
    for (int index = 0; index < items.size(); ++index) {
        const PreparedCopyItem& item = items.at(index);
        throwIfCancelled(cancellation);
        auto createFolder = [stagingRoot = target.stagingRoot] { return createItemFolder(stagingRoot); };
        const QString itemFolder = co_await worker_.run(std::move(createFolder));
        std::exception_ptr failure;
        try {
            const QString payload = itemFolder + QStringLiteral("/payload");
            progress({base, total, item.originalName, index, itemCount, Phase::copying});
            throwIfCancelled(cancellation);

            // The copy stops on the caller's cancellation, and also when a progress value is
            // impossible (a negative or overflowing count).
            std::stop_source copyStop;
            const std::stop_callback forwardCancellation(cancellation, [&copyStop] { copyStop.request_stop(); });
            std::exception_ptr progressFailure;
            const qint64 planned = item.plan.dataBytes;
            const std::function<void(qint64)> reportCopied = [&](qint64 copied) {
                if (progressFailure) {
                    return;
                }
                try {
                    const qint64 completed = addingBytes(base, copied);
                    // A file that grew since it was measured raises the shown total.
                    const qint64 shownTotal = copied > planned ? replacingBytes(total, planned, copied) : total;
                    progress({completed, shownTotal, item.originalName, index, itemCount, Phase::copying});
                } catch (...) {
                    progressFailure = std::current_exception();
                    copyStop.request_stop();
                }
            };
            qint64 actual = 0;
            try {
                actual = co_await engine_.copyItem(item.plan, QUrl::fromLocalFile(payload), reportCopied,
                                                   copyStop.get_token());
            } catch (const CancellationError&) {
                if (progressFailure) {
                    std::rethrow_exception(progressFailure);
                }
                throw;
            }
            throwIfCancelled(cancellation);
            total = replacingBytes(total, planned, actual);
            base = addingBytes(base, actual);
            progress({base, total, item.originalName, index, itemCount, Phase::committing});
            throwIfCancelled(cancellation);
            auto commit = [payload, name = item.originalName, root = target.root] {
                return commitPayload(payload, name, root);
            };
            const QString destination = co_await worker_.run(std::move(commit));
            destinations.append(QUrl::fromLocalFile(destination));
        } catch (...) {
            failure = std::current_exception();
        }
        // After a commit the folder is empty; after a failure it holds the partial copy. Either
        // way it goes (a folder that cannot be removed stays hidden in the staging folder).
        auto removeItemFolder = [itemFolder] { removeFileTree(QFile::encodeName(itemFolder).toStdString()); };
        co_await worker_.run(std::move(removeItemFolder));
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
    progress({base, total, std::nullopt, int(destinations.size()), itemCount, Phase::completed});
    co_return destinations;
}
