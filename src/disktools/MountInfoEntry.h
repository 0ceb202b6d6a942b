#pragma once

#include <QString>

// One line of /proc/self/mountinfo, with its escaped fields decoded.
struct MountInfoEntry
{
    unsigned deviceMajor = 0;
    unsigned deviceMinor = 0;
    QString root;
    QString mountPoint;
    QString fileSystemType;
    QString source;

    bool operator==(const MountInfoEntry&) const = default;
};
