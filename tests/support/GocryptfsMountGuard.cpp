#include "support/GocryptfsMountGuard.h"

#include "disktools/AttachedImages.h"
#include "disktools/Fusermount.h"

GocryptfsMountGuard::~GocryptfsMountGuard()
{
    for (const QString& root : roots_) {
        for (const QString& mountPoint : mountPointsUnder(root)) {
            Fusermount::unmount(mountPoint, true, {});
        }
    }
}

QStringList GocryptfsMountGuard::mountPointsUnder(const QString& root)
{
    QStringList found;
    const MountTable table = MountTable::read();
    for (const MountInfoEntry& mount : table.entries()) {
        if (mount.fileSystemType == QLatin1String(AttachedImages::fileSystemType)
            && (mount.mountPoint == root || mount.mountPoint.startsWith(root + u'/'))) {
            found << mount.mountPoint;
        }
    }
    return found;
}
