#include "disktools/AttachedImages.h"

#include "disktools/GocryptfsSource.h"
#include "disktools/ImageBundle.h"
#include "disktools/ToolFailure.h"

#include <QDir>
#include <QFileInfo>

namespace {

AttachedImage describe(const MountInfoEntry& mount)
{
    AttachedImage image;
    image.mountPoint = mount.mountPoint;
    image.deviceEntry = QString("fuse:%1:%2").arg(mount.deviceMajor).arg(mount.deviceMinor);
    const QFileInfo cipher(GocryptfsSource::cipherDirectory(mount.source));
    image.isVaultImage = cipher.fileName() == QLatin1String(ImageBundle::cipherFolderName)
        && ImageBundle::holdsMetadata(cipher.path());
    image.imagePath = image.isVaultImage ? cipher.path() : cipher.filePath();
    return image;
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

} // namespace

AttachedImages AttachedImages::from(const MountTable& table)
{
    AttachedImages attached;
    for (const MountInfoEntry& mount : table.entries()) {
        if (mount.fileSystemType == QLatin1String(fileSystemType)) {
            attached.images_.push_back(describe(mount));
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
    return firstWhere(images_, [&](const AttachedImage& image) {
        return image.imagePath == wanted || QFileInfo(image.imagePath).canonicalFilePath() == wanted;
    });
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
