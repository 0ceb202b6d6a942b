#pragma once

#include <QString>

// Maps a gocryptfs mount back to what it serves. gocryptfs names each mount after the absolute
// path of its cipher folder (mountinfo's source field), with every "," replaced by "_" because
// the kernel's mount options are a comma-separated list. The path is therefore recovered by
// looking at the disk: where the literal path does not exist, each missing component is matched
// against its folder's entries with "_" standing for "_" or ",".
class GocryptfsSource
{
public:
    // The cipher folder the source names; the source unchanged when it cannot be recovered
    // (gone, or ambiguous).
    static QString cipherDirectory(const QString& source);
};
