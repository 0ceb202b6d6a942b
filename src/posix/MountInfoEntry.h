#pragma once

#include <optional>
#include <string>

// One line of /proc/self/mountinfo, with its escaped fields decoded.
struct MountInfoEntry
{
    unsigned deviceMajor = 0;
    unsigned deviceMinor = 0;
    std::string root;
    std::string mountPoint;
    std::string fileSystemType;
    std::string source;
    // From the file system's own options: the user a FUSE mount belongs to (its `user_id`), and
    // whether it lets other users in (`allow_other`).
    std::optional<unsigned> ownerUserId;
    bool isSharedWithOtherUsers = false;

    // The name the disk-image tools give the mount's device: "fuse:<major>:<minor>". The kernel
    // gives each mount present at one time a device number of its own, so an unchanged name at an
    // unchanged mount point means the very same mount.
    std::string deviceEntry() const
    {
        return "fuse:" + std::to_string(deviceMajor) + ":" + std::to_string(deviceMinor);
    }

    // A gocryptfs volume: the only kind a vault is ever mounted as.
    bool isGocryptfs() const { return fileSystemType == "fuse.gocryptfs"; }

    bool operator==(const MountInfoEntry&) const = default;
};
