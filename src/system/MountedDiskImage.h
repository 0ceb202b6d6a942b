#pragma once

#include <QHash>
#include <QString>
#include <QUrl>

// One attached image whose volume is mounted, as the disk-image tool reports it, whether or not
// the catalogue knows the image.
struct MountedDiskImage
{
    QUrl imageURL;   // the image (the .sparsebundle directory)
    QUrl mountPoint; // a directory location
    QString deviceEntry;

    bool operator==(const MountedDiskImage&) const = default;
};

inline size_t qHash(const MountedDiskImage& image, size_t seed = 0)
{
    return qHashMulti(seed, image.imageURL, image.mountPoint, image.deviceEntry);
}
