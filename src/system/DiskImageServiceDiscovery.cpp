// DiskImageService: which images are attached, and detaching them.
#include "system/DiskImageService.h"

#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "system/HdiutilPropertyListParser.h"
#include "system/VolumeEjectDiagnostics.h"

#include <chrono>
#include <thread>

namespace {

// A busy volume is often released within a moment (a file manager finishing a thumbnail, an
// indexer closing a file), so a polite eject tries three times with two short pauses.
constexpr int politeEjectAttempts = 3;
constexpr std::chrono::milliseconds pauseBetweenEjectAttempts{800};

QSet<QString> setOf(const QString& path)
{
    return QSet<QString>{path};
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
    co_await eject(session.mountPoint, false);
}

QCoro::Task<void> DiskImageService::forceDetach(VaultSession session)
{
    co_await eject(session.mountPoint, true);
}

QCoro::Task<void> DiskImageService::detach(MountedDiskImage image)
{
    co_await eject(image.mountPoint, false);
}

QCoro::Task<void> DiskImageService::eject(QUrl mountPoint, bool force)
{
    auto work = executor_.run([this, mountPoint, force] { ejectNow(mountPoint, force); });
    co_await work;
}

QList<MountedDiskImage> DiskImageService::listMountedImages(const QSet<QString>& expectedImagePaths,
                                                            const QSet<QString>& expectedParentPaths)
{
    const SystemProcessResult result =
        runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("info"), QStringLiteral("-plist")});
    if (result.terminationStatus != 0) {
        throw VaultError::commandFailed(runner_.tools().spec(SystemTool::hdiutil).displayName,
                                        result.terminationStatus, result.diagnostic());
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
    const QList<MountedDiskImage> images =
        listMountedImages(QSet<QString>(imagePaths.begin(), imagePaths.end()), {});

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

void DiskImageService::ejectNow(const QUrl& mountPoint, bool force)
{
    const QString path = FileLocation::path(mountPoint);
    const SystemToolTable& tools = runner_.tools();
    if (force) {
        const SystemProcessResult result =
            runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("detach"), QStringLiteral("-force"), path});
        if (result.terminationStatus != 0) {
            throw VaultError::commandFailed(tools.spec(SystemTool::hdiutil).displayName, result.terminationStatus,
                                            result.diagnostic());
        }
        return;
    }

    SystemProcessResult eject;
    for (int attempt = 1;; ++attempt) {
        eject = runner_.runAndWait(SystemTool::diskutil, {QStringLiteral("eject"), path});
        if (eject.terminationStatus == 0) {
            return;
        }
        if (!VolumeEjectDiagnostics::hasBusyWording(eject)) {
            break;
        }
        if (attempt == politeEjectAttempts) {
            throw VaultError::volumeBusy(VolumeEjectDiagnostics::holders(eject));
        }
        std::this_thread::sleep_for(pauseBetweenEjectAttempts);
    }

    // diskutil failed for another reason (it may not know a volume that hdiutil attached):
    // hdiutil is asked to detach it instead, and only the diskutil failure is reported.
    const SystemProcessResult detach = runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("detach"), path});
    if (detach.terminationStatus == 0) {
        return;
    }
    if (VolumeEjectDiagnostics::isBusy(detach, SystemTool::hdiutil)) {
        throw VaultError::volumeBusy({});
    }
    throw VaultError::commandFailed(tools.spec(SystemTool::diskutil).displayName, eject.terminationStatus,
                                    eject.diagnostic());
}
