#include "disktools/AttachedImages.h"

#include "disktools/GocryptfsSource.h"
#include "disktools/ImageBundle.h"
#include "disktools/ToolFailure.h"
#include "disktools/VolumeIdentity.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

struct Described
{
    AttachedImage image;
    VolumeIdentity::Verdict verdict = VolumeIdentity::Verdict::same;
};

bool isVaultCipherFolder(const QFileInfo& cipher)
{
    return cipher.fileName() == QLatin1String(ImageBundle::cipherFolderName) &&
           ImageBundle::holdsMetadata(cipher.path());
}

// Among the folders the mount's name can stand for, the vault image whose volume it really is.
// A mount whose name points at no vault image is kept as it is named; one that points at vault
// images but serves none of them, or no longer answers, gets that verdict.
Described describe(const MountInfoEntry& mount)
{
    Described described;
    described.image.mountPoint = mount.mountPoint;
    described.image.deviceEntry = QString("fuse:%1:%2").arg(mount.deviceMajor).arg(mount.deviceMinor);
    const QStringList candidates = GocryptfsSource::cipherDirectories(mount.source);
    described.image.imagePath = candidates.isEmpty() ? mount.source : candidates.first();
    bool pointsAtVault = false;
    for (const QString& candidate : candidates) {
        const QFileInfo cipher(candidate);
        if (!isVaultCipherFolder(cipher)) {
            continue;
        }
        pointsAtVault = true;
        described.verdict = VolumeIdentity::compare(mount.mountPoint, candidate);
        if (described.verdict != VolumeIdentity::Verdict::different) {
            described.image.imagePath = cipher.path();
            described.image.isVaultImage = true;
            return described;
        }
    }
    described.verdict = pointsAtVault ? VolumeIdentity::Verdict::different : VolumeIdentity::Verdict::same;
    return described;
}

std::optional<AttachedImage> firstWhere(const std::vector<AttachedImage>& images, auto&& matches)
{
    for (const AttachedImage& image : images) {
        if (matches(image)) {
            return image;
        }
    }
    return std::nullopt;
}

bool isImage(const AttachedImage& image, const QString& canonicalImagePath)
{
    return image.isVaultImage && (image.imagePath == canonicalImagePath ||
                                  QFileInfo(image.imagePath).canonicalFilePath() == canonicalImagePath);
}

} // namespace

bool AttachedImages::isOwnPrivateMount(const MountInfoEntry& mount)
{
    return mount.fileSystemType == QLatin1String(fileSystemType) && mount.ownerUserId == unsigned(::geteuid()) &&
           !mount.isSharedWithOtherUsers;
}

AttachedImages AttachedImages::from(const MountTable& table)
{
    AttachedImages attached;
    for (const MountInfoEntry& mount : table.entries()) {
        if (!isOwnPrivateMount(mount)) {
            continue;
        }
        Described described = describe(mount);
        if (described.verdict == VolumeIdentity::Verdict::same) {
            attached.images_.push_back(std::move(described.image));
        } else if (described.verdict == VolumeIdentity::Verdict::disconnected) {
            attached.disconnected_.push_back(std::move(described.image));
        }
    }
    return attached;
}

std::optional<AttachedImage> AttachedImages::withImage(const QString& imagePath) const
{
    const QString wanted = QFileInfo(imagePath).canonicalFilePath();
    if (wanted.isEmpty()) {
        return std::nullopt;
    }
    return firstWhere(images_, [&](const AttachedImage& image) { return isImage(image, wanted); });
}

QStringList AttachedImages::disconnectedMountsOf(const QString& imagePath) const
{
    const QString wanted = QFileInfo(imagePath).canonicalFilePath();
    QStringList mountPoints;
    for (const AttachedImage& image : disconnected_) {
        if (isImage(image, wanted)) {
            mountPoints << image.mountPoint;
        }
    }
    return mountPoints;
}

std::optional<AttachedImage> AttachedImages::withMountPointOrDevice(const QString& target) const
{
    const QString asGiven = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
    if (auto found = firstWhere(images_, [&](const AttachedImage& image) {
            return image.mountPoint == asGiven || image.deviceEntry == target;
        })) {
        return found;
    }
    // Only now touch the path itself: resolving it asks the mounted file system, which a hung
    // volume may not answer.
    const QString resolved = QFileInfo(target).canonicalFilePath();
    if (resolved.isEmpty()) {
        return std::nullopt;
    }
    return firstWhere(images_, [&](const AttachedImage& image) { return image.mountPoint == resolved; });
}

AttachedImage AttachedImages::mountedAt(const QString& target) const
{
    if (const std::optional<AttachedImage> image = withMountPointOrDevice(target)) {
        return *image;
    }
    throw ToolFailure(target + ": nenhum volume de cofre está montado ali.");
}
