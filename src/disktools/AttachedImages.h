#pragma once

#include "disktools/AttachedImage.h"
#include "disktools/MountTable.h"

#include <optional>
#include <vector>

// Every gocryptfs volume the system has mounted, whoever mounted it, in mount order.
class AttachedImages
{
public:
    static constexpr const char* fileSystemType = "fuse.gocryptfs";

    static AttachedImages from(const MountTable& table);
    static AttachedImages current() { return from(MountTable::read()); }

    const std::vector<AttachedImage>& images() const { return images_; }

    // The first mount of the image at `imagePath` (compared with symbolic links resolved).
    std::optional<AttachedImage> withImage(const QString& imagePath) const;

    // The volume a tool was pointed at: its mount point (as given, or with links resolved) or its
    // device entry.
    std::optional<AttachedImage> withMountPointOrDevice(const QString& target) const;

    // The same, for a tool that can only act on a mounted volume: throws ToolFailure when none.
    AttachedImage mountedAt(const QString& target) const;

private:
    std::vector<AttachedImage> images_;
};
