#include "platform/HiddenFlag.h"

#include "platform/AtomicFile.h"
#include "platform/FolderLock.h"
#include "platform/PosixError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ItemLocation
{
    QString parent;
    QByteArray name;
};

ItemLocation locate(const QString& path)
{
    const QFileInfo info(path);
    const QByteArray name = QFile::encodeName(info.fileName());
    // A line of the list holds one name, so a name with a line break cannot be listed.
    if (name.isEmpty() || name == "." || name == ".." || name.contains('\n')) {
        throwPosixError(EINVAL, path);
    }
    return {info.absolutePath(), name};
}

// Reads the list as raw lines; a missing list is an empty one.
QList<QByteArray> readList(const QString& listPath)
{
    QFile list(listPath);
    if (!list.exists()) {
        return {};
    }
    if (!list.open(QIODevice::ReadOnly)) {
        throwPosixError(EACCES, listPath);
    }
    QList<QByteArray> lines = list.readAll().split('\n');
    while (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// An empty list is removed rather than left behind as an empty file.
void writeList(const QString& listPath, const QList<QByteArray>& lines)
{
    if (lines.isEmpty()) {
        if (::unlink(QFile::encodeName(listPath).constData()) != 0 && errno != ENOENT) {
            throwPosixError(errno, listPath);
        }
        return;
    }
    QByteArray content = lines.join('\n');
    content.append('\n');
    AtomicFile::write(listPath, content, 0644);
}

} // namespace

void HiddenFlag::set(const QString& path, bool hidden)
{
    const ItemLocation item = locate(path);
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        throwPosixError(errno, path);
    }
    // The app and the chflags stand-in may both edit one folder's list.
    const FolderLock lock(item.parent);
    const QString listPath = QDir(item.parent).filePath(QString::fromLatin1(listFileName));
    QList<QByteArray> lines = readList(listPath);
    const bool listed = lines.contains(item.name);
    if (hidden == listed) {
        return;
    }
    if (hidden) {
        lines.append(item.name);
    } else {
        lines.removeAll(item.name);
    }
    writeList(listPath, lines);
}

bool HiddenFlag::isSet(const QString& path)
{
    const ItemLocation item = locate(path);
    return readList(QDir(item.parent).filePath(QString::fromLatin1(listFileName))).contains(item.name);
}
