#include "platform/FileTrash.h"

#include "platform/FileLocation.h"
#include "platform/PosixError.h"
#include "platform/VolumeTrash.h"

#include <QFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include <sys/stat.h>

namespace {

dev_t deviceOf(const QString& path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        throwPosixError(errno, path);
    }
    return status.st_dev;
}

// The freedesktop rule: an item on the volume of the user's data folder goes to the home trash,
// any other to its own volume's trash, so that trashing is always a rename and never a copy.
VolumeTrash trashFor(const QString& path)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // A fresh account may have no data folder yet: the nearest folder above it that exists is
    // on the volume where it will be created.
    QString homeTrashVolume = dataHome;
    while (!QFile::exists(homeTrashVolume) && homeTrashVolume != QStringLiteral("/")) {
        homeTrashVolume = FileLocation::parentPath(homeTrashVolume);
    }
    if (deviceOf(path) == deviceOf(homeTrashVolume)) {
        return VolumeTrash::home();
    }
    return VolumeTrash::ofVolume(QStorageInfo(FileLocation::parentPath(path)).rootPath());
}

} // namespace

std::optional<QUrl> moveItemToTrash(const QUrl& location)
{
    const QString path = FileLocation::path(location);
    return QUrl::fromLocalFile(trashFor(path).moveToTrash(path));
}
