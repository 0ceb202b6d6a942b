#pragma once

#include <string>

// One mounted gocryptfs volume, described the way the disk-image tool reports an attached image.
struct AttachedImage
{
    std::string imagePath; // the image folder, or the bare cipher folder of a volume that is no vault
    std::string mountPoint;
    std::string deviceEntry; // "fuse:<major>:<minor>", the mount's device number
    bool isVaultImage = false;

    bool operator==(const AttachedImage&) const = default;
};
