#pragma once

#include "support/GocryptfsMountGuard.h"

#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// A real gocryptfs volume for a test: a fresh cipher folder (fast key derivation) mounted on a
// temporary folder, unmounted lazily when the object goes (whatever a test did). A machine without gocryptfs or
// /dev/fuse fails the test rather than skipping it.
class GocryptfsTestMount
{
public:
    // `volumeName` is the mount folder's name (it may contain spaces).
    explicit GocryptfsTestMount(const QString& volumeName = QStringLiteral("Cofre de Teste"));

    GocryptfsTestMount(const GocryptfsTestMount&) = delete;
    GocryptfsTestMount& operator=(const GocryptfsTestMount&) = delete;

    bool isMounted() const { return mounted_; }
    QString mountPoint() const { return mountPoint_; }
    QUrl mountPointURL() const { return QUrl::fromLocalFile(mountPoint_); }
    // A folder beside the volume, on the ordinary file system, for sources.
    QString scratchFolder() const { return folder_.path() + QStringLiteral("/scratch"); }

private:
    QTemporaryDir folder_;
    // Declared after the folder so that it unmounts before the folder is removed.
    GocryptfsMountGuard unmountOnExit_;
    QString mountPoint_;
    bool mounted_ = false;
};
