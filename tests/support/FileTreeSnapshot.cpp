#include "support/FileTreeSnapshot.h"

#include "platform/DirectoryNames.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

QMap<QByteArray, QByteArray> userAttributesOf(const QByteArray& path)
{
    QMap<QByteArray, QByteArray> attributes;
    QByteArray names(65536, '\0');
    const ssize_t listed = ::llistxattr(path.constData(), names.data(), size_t(names.size()));
    for (qsizetype start = 0; listed > 0 && start < listed;) {
        const QByteArray name(names.constData() + start);
        start += name.size() + 1;
        if (!name.startsWith("user.")) {
            continue;
        }
        QByteArray value(65536, '\0');
        const ssize_t size = ::lgetxattr(path.constData(), name.constData(), value.data(), size_t(value.size()));
        value.resize(qMax<ssize_t>(size, 0));
        attributes.insert(name, value);
    }
    return attributes;
}

void collect(const QString& root, const QString& relativePath, QList<FileTreeSnapshot::Entry>& entries)
{
    const QString path = relativePath.isEmpty() ? root : root + u'/' + relativePath;
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(encoded.constData(), &status) != 0) {
        return;
    }
    FileTreeSnapshot::Entry entry;
    entry.relativePath = relativePath;
    entry.mode = status.st_mode;
    entry.owner = status.st_uid;
    entry.group = status.st_gid;
    entry.accessTimeNs = S_ISLNK(status.st_mode) ? 0 : nanoseconds(status.st_atim);
    entry.modificationTimeNs = nanoseconds(status.st_mtim);
    entry.userAttributes = userAttributesOf(encoded);
    if (S_ISREG(status.st_mode)) {
        entry.fileSize = status.st_size;
    } else if (S_ISLNK(status.st_mode)) {
        QByteArray target(4096, '\0');
        target.resize(qMax<ssize_t>(::readlink(encoded.constData(), target.data(), size_t(target.size())), 0));
        entry.linkTarget = target;
    }
    if (S_ISDIR(status.st_mode)) {
        // Listed with O_NOATIME: a listing must not move the folder's access time either.
        const int folder = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
        std::vector<QByteArray> children;
        const bool listed = folder >= 0 && readDirectoryNames(folder, children);
        ::close(folder);
        if (!listed) {
            entry.linkTarget = QByteArrayLiteral("<unlistable folder>");
        }
        for (const QByteArray& child : children) {
            const QString name = QFile::decodeName(child);
            collect(root, relativePath.isEmpty() ? name : relativePath + u'/' + name, entries);
        }
    }
    entries.append(entry);
}

QByteArray digestOf(const QString& path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
    QFile file;
    if (descriptor < 0 || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return QByteArrayLiteral("unreadable");
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

} // namespace

FileTreeSnapshot FileTreeSnapshot::of(const QString& path)
{
    FileTreeSnapshot snapshot;
    collect(path, QString(), snapshot.entries);
    std::sort(snapshot.entries.begin(), snapshot.entries.end(),
              [](const Entry& a, const Entry& b) { return a.relativePath < b.relativePath; });
    for (Entry& entry : snapshot.entries) {
        if (S_ISREG(entry.mode)) {
            entry.sha256 = digestOf(entry.relativePath.isEmpty() ? path : path + u'/' + entry.relativePath);
        }
    }
    return snapshot;
}

QString FileTreeSnapshot::differencesFrom(const FileTreeSnapshot& other) const
{
    QStringList lines;
    const auto describe = [](const Entry& entry) {
        return QStringLiteral("%1 mode=%2 owner=%3:%4 atime=%5 mtime=%6 size=%7 link=%8 xattrs=%9 sha=%10")
            .arg(entry.relativePath.isEmpty() ? QStringLiteral("<root>") : entry.relativePath)
            .arg(entry.mode, 0, 8)
            .arg(entry.owner)
            .arg(entry.group)
            .arg(entry.accessTimeNs)
            .arg(entry.modificationTimeNs)
            .arg(entry.fileSize)
            .arg(QString::fromUtf8(entry.linkTarget))
            .arg(entry.userAttributes.size())
            .arg(QString::fromLatin1(entry.sha256.left(12)));
    };
    for (qsizetype index = 0; index < qMax(entries.size(), other.entries.size()); ++index) {
        const QString mine = index < entries.size() ? describe(entries.at(index)) : QStringLiteral("<none>");
        const QString theirs =
            index < other.entries.size() ? describe(other.entries.at(index)) : QStringLiteral("<none>");
        if (mine != theirs || (index < entries.size() && index < other.entries.size() &&
                               entries.at(index).userAttributes != other.entries.at(index).userAttributes)) {
            lines << QStringLiteral("- ") + mine << QStringLiteral("+ ") + theirs;
        }
    }
    return lines.join(u'\n');
}
