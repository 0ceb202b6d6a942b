#pragma once

#include <QHashFunctions>

#include <cstdint>
#include <sys/stat.h>

// Who an entry is on disk: device, inode and file type from lstat (a link is identified as the
// link itself). A listed item is acted on only while its identity is unchanged, so an entry
// that was replaced under the same name is never mistaken for the one the user saw.
struct VaultFileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    std::uint16_t fileType = 0;

    static VaultFileIdentity of(const struct stat& status)
    {
        return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                static_cast<std::uint16_t>(status.st_mode & S_IFMT)};
    }

    bool operator==(const VaultFileIdentity&) const = default;
};

inline size_t qHash(const VaultFileIdentity& identity, size_t seed = 0)
{
    return qHashMulti(seed, identity.device, identity.node, identity.fileType);
}
