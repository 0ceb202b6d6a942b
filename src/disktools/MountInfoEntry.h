#pragma once

#include <QString>

#include <optional>

// One line of /proc/self/mountinfo, with its escaped fields decoded.
struct MountInfoEntry
{
    unsigned deviceMajor = 0;
    unsigned deviceMinor = 0;
    QString root;
    QString mountPoint;
    QString fileSystemType;
    QString source;
    // From the file system's own options: the user a FUSE mount belongs to (its `user_id`), and
    // whether it lets other users in (`allow_other`).
    std::optional<unsigned> ownerUserId;
    bool isSharedWithOtherUsers = false;

    bool operator==(const MountInfoEntry&) const = default;
};
