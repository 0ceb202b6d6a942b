#pragma once

#include <QString>

// One mounted gocryptfs volume, described the way the disk-image tool reports an attached image.
struct AttachedImage
{
    QString imagePath; // the image folder, or the bare cipher folder of a volume that is no vault
    QString mountPoint;
    QString deviceEntry; // "fuse:<major>:<minor>", the mount's device number
    bool isVaultImage = false;

    bool operator==(const AttachedImage&) const = default;
};
