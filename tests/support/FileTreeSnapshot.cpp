#include "support/FileTreeSnapshot.h"

#include "platform/DirectoryNames.h"

#include <QCryptographicHash>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

QString userAttributesOf(const QByteArray& path)
{
    QStringList attributes;
    QByteArray names(65536, '\0');
    const ssize_t listed = ::llistxattr(path.constData(), names.data(), size_t(names.size()));
    for (qsizetype start = 0; start < listed;) {
        const QByteArray name(names.constData() + start);
        start += name.size() + 1;
        QByteArray value(65536, '\0');
        value.resize(qMax<ssize_t>(::lgetxattr(path.constData(), name.constData(), value.data(), size_t(value.size())), 0));
        if (name.startsWith("user.")) {
            attributes << QString::fromUtf8(name + '=' + value);
        }
    }
    attributes.sort();
    return attributes.join(u',');
}

// Appends the entry at root/relative and, for a folder, everything below it.
struct Entry
{
    QString relative;
    QString metadata;
    bool regular;
};

void collect(const QString& root, const QString& relative, QList<Entry>& entries)
{
    const QByteArray path = encoded(relative.isEmpty() ? root : root + u'/' + relative);
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0) {
        return;
    }
    QByteArray target(4096, '\0');
    target.resize(S_ISLNK(status.st_mode) ? qMax<ssize_t>(::readlink(path.constData(), target.data(), 4096), 0) : 0);
    entries.append({relative, QStringLiteral("mode=%1 owner=%2:%3 atime=%4 mtime=%5 size=%6 link=%7 xattrs=%8")
                                  .arg(status.st_mode, 0, 8)
                                  .arg(status.st_uid)
                                  .arg(status.st_gid)
                                  .arg(S_ISLNK(status.st_mode) ? 0 : nanoseconds(status.st_atim))
                                  .arg(nanoseconds(status.st_mtim))
                                  .arg(S_ISREG(status.st_mode) ? status.st_size : 0)
                                  .arg(QString::fromUtf8(target), userAttributesOf(path)),
                       S_ISREG(status.st_mode)});
    if (S_ISDIR(status.st_mode)) {
        const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
        std::vector<QByteArray> children;
        if (folder < 0 || !readDirectoryNames(folder, children)) {
            entries.last().metadata += QStringLiteral(" unlistable");
        }
        ::close(folder);
        for (const QByteArray& child : children) {
            const QString name = QFile::decodeName(child);
            collect(root, relative.isEmpty() ? name : relative + u'/' + name, entries);
        }
    }
}

QString digestOf(const QString& path)
{
    QFile file;
    const int descriptor = ::open(encoded(path).constData(), O_RDONLY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0 || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return QStringLiteral("unreadable");
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

FileTreeSnapshot FileTreeSnapshot::of(const QString& root)
{
    QList<Entry> entries;
    collect(root, QString(), entries);
    QStringList lines;
    for (const Entry& entry : entries) {
        const QString path = entry.relative.isEmpty() ? root : root + u'/' + entry.relative;
        lines << (entry.relative.isEmpty() ? QStringLiteral(".") : entry.relative) + u' ' + entry.metadata +
                     (entry.regular ? " sha=" + digestOf(path) : QString());
    }
    lines.sort();
    return {lines};
}

QString FileTreeSnapshot::differencesFrom(const FileTreeSnapshot& other) const
{
    QStringList differences;
    for (const QString& line : lines) {
        if (!other.lines.contains(line)) {
            differences << "- " + line;
        }
    }
    for (const QString& line : other.lines) {
        if (!lines.contains(line)) {
            differences << "+ " + line;
        }
    }
    return differences.join(u'\n');
}
