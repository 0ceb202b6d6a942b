#pragma once

#include <QHash>

#include <cstdint>

// Who an entry is on disk, taken with lstat when it was listed, so a later action can tell
// whether the entry is still the one the user saw.
struct VaultFileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    std::uint16_t fileType = 0;

    bool operator==(const VaultFileIdentity&) const = default;
};

inline size_t qHash(const VaultFileIdentity& identity, size_t seed = 0)
{
    return qHashMulti(seed, identity.device, identity.node, identity.fileType);
}
