#pragma once

#include "system/MountedDiskImage.h"
#include "system/VaultCapacity.h"
#include "system/VaultCheckReport.h"

#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>

// Reads the property lists (XML or binary) that the disk-image tool prints for "info -plist" and
// "attach -plist". Keys of the wrong type and empty strings count as absent; any other key is
// ignored. Failures are VaultError::invalidPropertyList (or noMountedVolume for an attach that
// mounted nothing), never a partial answer.
class HdiutilPropertyListParser
{
public:
    struct Attachment
    {
        QUrl mountPoint; // a directory location
        QString deviceEntry;
    };

    // Every attached image with a mounted volume, in the order listed. Images whose normalized
    // path is in `expectedImagePaths`, or whose parent's normalized path is in
    // `expectedParentPaths`, are Kovara's and must be unambiguous; other images are returned too
    // when they are mounted, and skipped silently when they are not.
    static QList<MountedDiskImage> mountedImages(QByteArrayView propertyList, const QSet<QString>& expectedImagePaths,
                                                 const QSet<QString>& expectedParentPaths);

    // The volume an attach just mounted: the first system entity with a mount point.
    static Attachment attachment(QByteArrayView propertyList);

    // "imageinfo -plist": the "Size Information" dictionary's "Total Bytes" (the capacity) and
    // "Total Non-Empty Bytes" (the space in use).
    static VaultCapacity capacity(QByteArrayView propertyList);

    // "verify -plist": "damaged-count", "damaged-items" (strings) and "skipped-count".
    static VaultCheckReport checkReport(QByteArrayView propertyList);
};
