// DiskImageService: which images are attached, and detaching them.
#include "system/DiskImageService.h"

#include "model/CancellationError.h"
#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "posix/MountTable.h"
#include "system/HdiutilPropertyListParser.h"
#include "system/VolumeEjectDiagnostics.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

namespace {

// A busy volume is often released within a moment (a file manager finishing a thumbnail, an
// indexer closing a file), so a polite eject tries three times with two short pauses.
constexpr int politeEjectAttempts = 3;
constexpr std::chrono::milliseconds pauseBetweenEjectAttempts{800};

// Waits `pause`, or less when the caller cancels meanwhile, which then ends the eject.
void pauseUnlessCancelled(std::chrono::milliseconds pause, const std::stop_token& cancellation)
{
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, cancellation, pause, [] { return false; });
    throwIfCancelled(cancellation);
}

QSet<QString> setOf(const QString& path)
{
    return QSet<QString>{path};
}

// A mount point spelled as the kernel spells it: absolute, without "." or repeated slashes, in the
// file system's encoding; empty when the location names no such path.
std::string kernelSpelling(const QUrl& mountPoint)
{
    return QFile::encodeName(FileLocation::standardizedPath(mountPoint)).toStdString();
}

// The system's mount table, bottom to top; none when it cannot be read.
std::optional<std::vector<MountInfoEntry>> mountTableEntries()
{
    try {
        return MountTable::read().entries();
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

// What the system's mount table lists at `mountPoint`, bottom to top; none when it cannot tell.
std::optional<std::vector<MountInfoEntry>> mountsAt(const QUrl& mountPoint)
{
    const std::string path = kernelSpelling(mountPoint);
    std::optional<std::vector<MountInfoEntry>> mounts = mountTableEntries();
    if (path.empty() || !mounts) {
        return std::nullopt;
    }
    std::erase_if(*mounts, [&path](const MountInfoEntry& mount) { return mount.mountPoint != path; });
    return mounts;
}

} // namespace

QCoro::Task<QHash<QUuid, VaultSession>> DiskImageService::mountedSessions(QList<Vault> vaults)
{
    auto work = executor_.run([this, vaults] { return mountedSessionsNow(vaults); });
    co_return co_await work;
}

QCoro::Task<QList<MountedDiskImage>> DiskImageService::mountedImagesInStorage()
{
    auto work = executor_.run([this] { return mountedImagesInStorageNow(); });
    co_return co_await work;
}

QCoro::Task<void> DiskImageService::detach(VaultSession session)
{
    const std::stop_token uncancellable;
    co_await eject(session.mountPoint, false, uncancellable);
}

QCoro::Task<void> DiskImageService::forceDetach(VaultSession session)
{
    const std::stop_token uncancellable;
    co_await eject(session.mountPoint, true, uncancellable);
}

QCoro::Task<void> DiskImageService::detach(MountedDiskImage image)
{
    const std::stop_token uncancellable;
    co_await eject(image.mountPoint, false, uncancellable);
}

QCoro::Task<void> DiskImageService::eject(QUrl mountPoint, bool force, std::stop_token cancellation)
{
    auto work = executor_.run([this, mountPoint, force, cancellation] { ejectNow(mountPoint, force, cancellation); });
    co_await work;
}

bool DiskImageService::hasLeftMountTable(const QUrl& mountPoint)
{
    const std::optional<std::vector<MountInfoEntry>> mounts = mountsAt(mountPoint);
    return mounts && mounts->empty();
}

bool DiskImageService::isStillMounted(const VaultSession& session)
{
    const std::optional<std::vector<MountInfoEntry>> mounts = mountsAt(session.mountPoint);
    // Only the topmost of several mounts on one point is reachable there.
    return mounts && !mounts->empty() && QString::fromStdString(mounts->back().deviceEntry()) == session.deviceEntry;
}

bool DiskImageService::mountTableHoldsOnly(const QList<VaultSession>& sessions)
{
    std::vector<std::pair<std::string, std::string>> known;
    for (const VaultSession& session : sessions) {
        known.emplace_back(kernelSpelling(session.mountPoint), session.deviceEntry.toStdString());
    }
    const std::optional<std::vector<MountInfoEntry>> mounts = mountTableEntries();
    return mounts && std::ranges::all_of(*mounts, [&known](const MountInfoEntry& mount) {
               return !mount.isGocryptfs() ||
                      std::ranges::find(known, std::pair{mount.mountPoint, mount.deviceEntry()}) != known.end();
           });
}

QList<MountedDiskImage> DiskImageService::listMountedImages(const QSet<QString>& expectedImagePaths,
                                                            const QSet<QString>& expectedParentPaths)
{
    const SystemProcessResult result =
        runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("info"), QStringLiteral("-plist")});
    if (result.terminationStatus != 0) {
        throw VaultError::commandFailed(runner_.tools().spec(SystemTool::hdiutil).displayName, result.terminationStatus,
                                        result.diagnostic());
    }
    return HdiutilPropertyListParser::mountedImages(result.standardOutput, expectedImagePaths, expectedParentPaths);
}

QHash<QUuid, VaultSession> DiskImageService::mountedSessionsNow(const QList<Vault>& vaults)
{
    QHash<QString, QUuid> vaultByImagePath;
    for (const Vault& vault : vaults) {
        vaultByImagePath.insert(FileLocation::normalizedPath(vault.imageURL), vault.id);
    }
    const QList<QString> imagePaths = vaultByImagePath.keys();
    const QList<MountedDiskImage> images = listMountedImages(QSet<QString>(imagePaths.begin(), imagePaths.end()), {});

    QHash<QUuid, VaultSession> sessions;
    for (const MountedDiskImage& image : images) {
        const auto vault = vaultByImagePath.constFind(FileLocation::normalizedPath(image.imageURL));
        if (vault == vaultByImagePath.constEnd()) {
            continue;
        }
        const VaultSession session{*vault, image.mountPoint, image.deviceEntry};
        const auto known = sessions.constFind(*vault);
        if (known != sessions.constEnd() && *known != session) {
            throw VaultError::invalidPropertyList(QStringLiteral("Um cofre Kovara aparece montado mais de uma vez."));
        }
        sessions.insert(*vault, session);
    }
    return sessions;
}

QList<MountedDiskImage> DiskImageService::mountedImagesInStorageNow()
{
    StorageSafety::validateOptionalRealDirectory(FileLocation::path(storage_.paths().applicationDirectory));
    StorageSafety::validateOptionalRealDirectory(FileLocation::path(storage_.paths().storageDirectory));
    const QString storage = FileLocation::normalizedPath(storage_.paths().storageDirectory);
    QList<MountedDiskImage> inStorage;
    for (const MountedDiskImage& image : listMountedImages({}, setOf(storage))) {
        const QString parent = FileLocation::parentPath(FileLocation::standardizedPath(image.imageURL));
        if (FileLocation::normalizedPath(parent) == storage) {
            inStorage.append(image);
        }
    }
    return inStorage;
}

void DiskImageService::ejectNow(const QUrl& mountPoint, bool force, const std::stop_token& cancellation)
{
    const QString path = FileLocation::path(mountPoint);
    const SystemToolTable& tools = runner_.tools();
    if (force) {
        const SystemProcessResult result =
            runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("detach"), QStringLiteral("-force"), path},
                               std::nullopt, cancellation);
        if (result.terminationStatus != 0) {
            throw VaultError::commandFailed(tools.spec(SystemTool::hdiutil).displayName, result.terminationStatus,
                                            result.diagnostic());
        }
        return;
    }

    SystemProcessResult eject;
    for (int attempt = 1;; ++attempt) {
        eject = runner_.runAndWait(SystemTool::diskutil, {QStringLiteral("eject"), path}, std::nullopt, cancellation);
        if (eject.terminationStatus == 0) {
            return;
        }
        if (!VolumeEjectDiagnostics::hasBusyWording(eject)) {
            break;
        }
        if (attempt == politeEjectAttempts) {
            throw VaultError::volumeBusy(VolumeEjectDiagnostics::holders(eject));
        }
        pauseUnlessCancelled(pauseBetweenEjectAttempts, cancellation);
    }

    // diskutil failed for another reason (it may not know a volume that hdiutil attached):
    // hdiutil is asked to detach it instead, and only the diskutil failure is reported.
    const SystemProcessResult detach =
        runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("detach"), path}, std::nullopt, cancellation);
    if (detach.terminationStatus == 0) {
        return;
    }
    if (VolumeEjectDiagnostics::isBusy(detach, SystemTool::hdiutil)) {
        throw VaultError::volumeBusy({});
    }
    throw VaultError::commandFailed(tools.spec(SystemTool::diskutil).displayName, eject.terminationStatus,
                                    eject.diagnostic());
}
