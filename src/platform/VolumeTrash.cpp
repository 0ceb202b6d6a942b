#include "platform/VolumeTrash.h"

#include "platform/PosixError.h"
#include "posix/UniqueFd.h"

#include <QDateTime>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The freedesktop rule for a per-volume trash: a real directory (not a link) owned by the user,
// created private when it is missing.
UniqueFd openPrivateDirectory(int parent, const QByteArray& name, const QString& path)
{
    if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST) {
        throwPosixError(errno, path);
    }
    UniqueFd directory(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!directory.isValid()) {
        throwPosixError(errno, path);
    }
    struct stat status = {};
    if (::fstat(directory.get(), &status) != 0) {
        throwPosixError(errno, path);
    }
    if (status.st_uid != ::getuid()) {
        throwPosixError(EACCES, path);
    }
    return directory;
}

void writeAll(int file, const QByteArray& bytes, const QString& path)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(file, bytes.constData() + written, size_t(bytes.size() - written));
        if (step < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwPosixError(errno, path);
        }
        written += step;
    }
}

// Trashed names are kept unique the way file managers do it: "name", then "name.2", "name.3"...
QByteArray trashedName(const QByteArray& itemName, int attempt)
{
    return attempt == 1 ? itemName : itemName + '.' + QByteArray::number(attempt);
}

} // namespace

VolumeTrash::VolumeTrash(QString topDirectory) : topDirectory_(std::move(topDirectory))
{
}

QString VolumeTrash::directoryName()
{
    return QStringLiteral(".Trash-") + QString::number(::getuid());
}

QString VolumeTrash::moveToTrash(const QString& itemName) const
{
    const QString trashPath = topDirectory_ + u'/' + directoryName();
    UniqueFd top(::open(QFile::encodeName(topDirectory_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.isValid()) {
        throwPosixError(errno, topDirectory_);
    }
    const UniqueFd trash = openPrivateDirectory(top.get(), QFile::encodeName(directoryName()), trashPath);
    const UniqueFd files = openPrivateDirectory(trash.get(), "files", trashPath + QStringLiteral("/files"));
    const UniqueFd info = openPrivateDirectory(trash.get(), "info", trashPath + QStringLiteral("/info"));

    const QByteArray encodedItem = QFile::encodeName(itemName);
    const QByteArray record = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(itemName, "/") + "\nDeletionDate=" +
                              QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toLatin1() + "\n";
    for (int attempt = 1;; ++attempt) {
        const QByteArray name = trashedName(encodedItem, attempt);
        const QByteArray recordName = name + ".trashinfo";
        // Creating the record exclusively reserves the name against other trashing programs.
        UniqueFd recordFile(
            ::openat(info.get(), recordName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!recordFile.isValid()) {
            if (errno == EEXIST) {
                continue;
            }
            throwPosixError(errno, trashPath + QStringLiteral("/info"));
        }
        try {
            writeAll(recordFile.get(), record, trashPath);
            if (!recordFile.closeChecked()) {
                throwPosixError(errno, trashPath);
            }
            if (::renameat2(top.get(), encodedItem.constData(), files.get(), name.constData(), RENAME_NOREPLACE) == 0) {
                return trashPath + QStringLiteral("/files/") + QFile::decodeName(name);
            }
            if (errno != EEXIST) {
                throwPosixError(errno, topDirectory_ + u'/' + itemName);
            }
        } catch (...) {
            ::unlinkat(info.get(), recordName.constData(), 0);
            throw;
        }
        // A leftover entry in files/ without a record holds this name: try the next one.
        ::unlinkat(info.get(), recordName.constData(), 0);
    }
}
