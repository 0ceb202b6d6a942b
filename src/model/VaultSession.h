#pragma once

#include <QHash>
#include <QString>
#include <QUrl>
#include <QUuid>

// One vault whose image is attached: where its volume is mounted and the device entry the
// disk-image tool reported for it.
struct VaultSession
{
    QUuid vaultID;
    QUrl mountPoint;
    QString deviceEntry;

    bool operator==(const VaultSession&) const = default;
};

inline size_t qHash(const VaultSession& session, size_t seed = 0)
{
    return qHashMulti(seed, session.vaultID, session.mountPoint, session.deviceEntry);
}
