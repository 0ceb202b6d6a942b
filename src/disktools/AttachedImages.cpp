#include "disktools/AttachedImages.h"

#include "disktools/FilePath.h"
#include "disktools/GocryptfsSource.h"
#include "disktools/ImageBundle.h"
#include "disktools/ToolFailure.h"
#include "disktools/VolumeIdentity.h"

#include <unistd.h>

namespace {

struct Described
{
    AttachedImage image;
    VolumeIdentity::Verdict verdict = VolumeIdentity::Verdict::same;
};

// The cipher folder of the vault image a folder stands for, once symbolic links, "." and ".."
// are resolved: the image folder itself or its cipher folder. None for a folder that is neither,
// and so cannot be mistaken for a vault whatever it is called.
std::optional<std::string> vaultCipherFolderFor(const std::string& folder)
{
    const std::string resolved = FilePath::canonical(folder);
    if (resolved.empty()) {
        return std::nullopt;
    }
    if (ImageBundle::holdsMetadata(resolved)) {
        return FilePath::join(resolved, ImageBundle::cipherFolderName);
    }
    if (FilePath::fileName(resolved) == ImageBundle::cipherFolderName &&
        ImageBundle::holdsMetadata(FilePath::parent(resolved))) {
        return resolved;
    }
    return std::nullopt;
}

// Among the folders the mount's name can stand for, the vault image whose volume it really is.
// The name only says where to look: any name that leads to a vault image (its cipher folder, the
// image folder, another spelling of either) counts only when the volume proves to be that
// image's. A mount whose name leads to no vault image is kept under its resolved name, which no
// vault's path can equal; one that leads to vault images but serves none of them, or no longer
// answers, gets that verdict.
Described describe(const MountInfoEntry& mount)
{
    Described described;
    described.image.mountPoint = mount.mountPoint;
    described.image.deviceEntry = mount.deviceEntry();
    const std::vector<std::string> candidates = GocryptfsSource::cipherDirectories(mount.source);
    described.image.imagePath = candidates.empty() ? mount.source : FilePath::canonical(candidates.front());
    bool pointsAtVault = false;
    for (const std::string& candidate : candidates) {
        const std::optional<std::string> cipher = vaultCipherFolderFor(candidate);
        if (!cipher) {
            continue;
        }
        pointsAtVault = true;
        described.verdict = VolumeIdentity::compare(mount.mountPoint, *cipher);
        if (described.verdict != VolumeIdentity::Verdict::different) {
            described.image.imagePath = FilePath::parent(*cipher);
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

bool isImage(const AttachedImage& image, const std::string& canonicalImagePath)
{
    return image.isVaultImage &&
           (image.imagePath == canonicalImagePath || FilePath::canonical(image.imagePath) == canonicalImagePath);
}

} // namespace

bool AttachedImages::isOwnPrivateMount(const MountInfoEntry& mount)
{
    return mount.isGocryptfs() && mount.ownerUserId == unsigned(::geteuid()) &&
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

std::optional<AttachedImage> AttachedImages::withImage(const std::string& imagePath) const
{
    const std::string wanted = FilePath::canonical(imagePath);
    if (wanted.empty()) {
        return std::nullopt;
    }
    return firstWhere(images_, [&](const AttachedImage& image) { return isImage(image, wanted); });
}

std::vector<std::string> AttachedImages::disconnectedMountsOf(const std::string& imagePath) const
{
    const std::string wanted = FilePath::canonical(imagePath);
    std::vector<std::string> mountPoints;
    for (const AttachedImage& image : disconnected_) {
        if (!wanted.empty() && isImage(image, wanted)) {
            mountPoints.push_back(image.mountPoint);
        }
    }
    return mountPoints;
}

std::optional<AttachedImage> AttachedImages::withMountPointOrDevice(const std::string& target) const
{
    const std::string asGiven = FilePath::absoluteClean(target);
    if (auto found = firstWhere(images_, [&](const AttachedImage& image) {
            return image.mountPoint == asGiven || image.deviceEntry == target;
        })) {
        return found;
    }
    // Only now touch the path itself: resolving it asks the mounted file system, which a hung
    // volume may not answer.
    const std::string resolved = FilePath::canonical(target);
    if (resolved.empty()) {
        return std::nullopt;
    }
    return firstWhere(images_, [&](const AttachedImage& image) { return image.mountPoint == resolved; });
}

std::optional<AttachedImage> AttachedImages::servingAt(const std::string& mountPoint, const ImageBundle& bundle)
{
    const MountTable table = MountTable::read();
    for (const MountInfoEntry& mount : table.entries()) {
        if (mount.mountPoint == mountPoint && isOwnPrivateMount(mount) &&
            VolumeIdentity::compare(mountPoint, bundle.cipherDirectory()) == VolumeIdentity::Verdict::same) {
            return AttachedImage{bundle.path(), mountPoint, mount.deviceEntry(), true};
        }
    }
    return std::nullopt;
}

AttachedImage AttachedImages::mountedAt(const std::string& target) const
{
    if (const std::optional<AttachedImage> image = withMountPointOrDevice(target)) {
        return *image;
    }
    throw ToolFailure(target + ": nenhum volume de cofre está montado ali.");
}
