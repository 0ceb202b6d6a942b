#pragma once

#include "disktools/AttachedImage.h"
#include "posix/MountTable.h"

#include <optional>

class ImageBundle;
#include <string>
#include <vector>

// The gocryptfs volumes this user can trust, in mount order. The mount table says who mounted
// what, but a mount's name is chosen by whoever mounts it, and on most desktops any user may
// mount through FUSE: a volume counts only when this user mounted it (`user_id`), it is closed to
// other users (no `allow_other`), and, when its name leads to a vault image in any spelling (the
// image folder, its cipher folder, through a link), the volume really is that image's
// (VolumeIdentity). Anything else is not listed, so no tool ever reports, ejects or writes into
// it; a volume that is no vault's is listed under its resolved name, which names no vault.
class AttachedImages
{
public:
    static AttachedImages from(const MountTable& table);
    static AttachedImages current() { return from(MountTable::read()); }

    const std::vector<AttachedImage>& images() const { return images_; }

    // The first mount of the image at `imagePath` (compared with symbolic links resolved).
    std::optional<AttachedImage> withImage(const std::string& imagePath) const;

    // Mount points of this user's mounts of the image at `imagePath` whose daemon is gone (the
    // mount answers ENOTCONN): they can only be unmounted.
    std::vector<std::string> disconnectedMountsOf(const std::string& imagePath) const;

    // The volume a tool was pointed at: its mount point (as given, or with links resolved) or its
    // device entry.
    std::optional<AttachedImage> withMountPointOrDevice(const std::string& target) const;

    // The same, for a tool that can only act on a mounted volume: throws ToolFailure when none.
    AttachedImage mountedAt(const std::string& target) const;

    // The volume of `bundle` mounted at exactly `mountPoint` by this user, proved by what it
    // serves; whatever name the mount was given.
    static std::optional<AttachedImage> servingAt(const std::string& mountPoint, const ImageBundle& bundle);

    // True when `mount` is a gocryptfs mount of this user's, closed to other users.
    static bool isOwnPrivateMount(const MountInfoEntry& mount);

private:
    std::vector<AttachedImage> images_;
    std::vector<AttachedImage> disconnected_;
};
