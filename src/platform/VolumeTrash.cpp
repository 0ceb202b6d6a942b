#include "platform/VolumeTrash.h"

#include "platform/FileLocation.h"
#include "platform/PosixError.h"
#include "posix/UniqueFd.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void refuseTrashFolder(const QString& path, const QString& fault)
{
    throw std::runtime_error(
        (QStringLiteral("A Lixeira não pode ser usada: “") + path + QStringLiteral("” ") + fault).toStdString());
}

// A trash folder is created private when missing; an existing one must be a real folder of the
// user's that no one else may write to. A link or a file in its place is refused rather than
// followed or replaced: either would carry the item somewhere the user never looks.
UniqueFd openTrashFolder(int parent, const QByteArray& name, const QString& path)
{
    if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST) {
        throwPosixError(errno, path);
    }
    struct stat entry = {};
    if (::fstatat(parent, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        throwPosixError(errno, path);
    }
    if (S_ISLNK(entry.st_mode)) {
        refuseTrashFolder(path, QStringLiteral("é um link simbólico."));
    }
    UniqueFd folder(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isValid()) {
        if (errno == ENOTDIR || errno == ELOOP) {
            refuseTrashFolder(path, QStringLiteral("não é uma pasta."));
        }
        throwPosixError(errno, path);
    }
    struct stat status = {};
    if (::fstat(folder.get(), &status) != 0) {
        throwPosixError(errno, path);
    }
    if (status.st_uid != ::getuid()) {
        refuseTrashFolder(path, QStringLiteral("não pertence a você."));
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        refuseTrashFolder(path, QStringLiteral("pode ser alterada por outros usuários."));
    }
    return folder;
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

VolumeTrash::VolumeTrash(QString parentDirectory, QString name, QString recordsRelativeTo)
    : parentDirectory_(std::move(parentDirectory))
    , name_(std::move(name))
    , recordsRelativeTo_(std::move(recordsRelativeTo))
{
}

VolumeTrash VolumeTrash::home()
{
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), QStringLiteral("Trash"), {}};
}

VolumeTrash VolumeTrash::ofVolume(const QString& topDirectory)
{
    return {topDirectory, directoryName(), topDirectory};
}

QString VolumeTrash::directoryName()
{
    return QStringLiteral(".Trash-") + QString::number(::getuid());
}

QString VolumeTrash::path() const
{
    return parentDirectory_ + u'/' + name_;
}

QString VolumeTrash::moveToTrash(const QString& itemPath) const
{
    const QString trashPath = path();
    // The user's data folder may not exist yet on a fresh account; a volume's top always does.
    if (recordsRelativeTo_.isEmpty()) {
        std::error_code failure;
        std::filesystem::create_directories(QFile::encodeName(parentDirectory_).toStdString(), failure);
        if (failure) {
            throwPosixError(failure.value(), parentDirectory_);
        }
    }
    const UniqueFd parent(::open(QFile::encodeName(parentDirectory_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isValid()) {
        throwPosixError(errno, parentDirectory_);
    }
    const UniqueFd trash = openTrashFolder(parent.get(), QFile::encodeName(name_), trashPath);
    const UniqueFd files = openTrashFolder(trash.get(), "files", trashPath + QStringLiteral("/files"));
    const UniqueFd info = openTrashFolder(trash.get(), "info", trashPath + QStringLiteral("/info"));

    const QString itemFolder = FileLocation::parentPath(itemPath);
    const UniqueFd source(::open(QFile::encodeName(itemFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!source.isValid()) {
        throwPosixError(errno, itemFolder);
    }
    const QByteArray encodedItem = QFile::encodeName(FileLocation::lastPathComponent(itemPath));
    const QString recordedPath =
        recordsRelativeTo_.isEmpty() ? itemPath : QDir(recordsRelativeTo_).relativeFilePath(itemPath);
    const QByteArray record = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(recordedPath, "/") + "\nDeletionDate=" +
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
            if (::renameat2(source.get(), encodedItem.constData(), files.get(), name.constData(), RENAME_NOREPLACE) ==
                0) {
                return trashPath + QStringLiteral("/files/") + QFile::decodeName(name);
            }
            if (errno != EEXIST) {
                throwPosixError(errno, itemPath);
            }
        } catch (...) {
            ::unlinkat(info.get(), recordName.constData(), 0);
            throw;
        }
        // A leftover entry in files/ without a record holds this name: try the next one.
        ::unlinkat(info.get(), recordName.constData(), 0);
    }
}
