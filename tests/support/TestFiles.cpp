#include "support/TestFiles.h"

#include "posix/DirectoryNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

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
        value.resize(
            qMax<ssize_t>(::lgetxattr(path.constData(), name.constData(), value.data(), size_t(value.size())), 0));
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
    struct stat status = {};
    if (::lstat(path.constData(), &status) != 0) {
        return;
    }
    QByteArray target(4096, '\0');
    target.resize(S_ISLNK(status.st_mode) ? qMax<ssize_t>(::readlink(path.constData(), target.data(), 4096), 0) : 0);
    entries.append({relative,
                    QStringLiteral("mode=%1 owner=%2:%3 atime=%4 mtime=%5 size=%6 link=%7 xattrs=%8")
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
        std::vector<std::string> children;
        if (folder < 0 || !readDirectoryNames(folder, children)) {
            entries.last().metadata += QStringLiteral(" unlistable");
        }
        ::close(folder);
        for (const std::string& child : children) {
            const QString name = QFile::decodeName(child.c_str());
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

QByteArray TestFiles::readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestFiles::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
    }
}

QStringList TestFiles::entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

int TestFiles::permissionsOf(const QString& path)
{
    struct stat status = {};
    return ::lstat(encoded(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

QByteArray TestFiles::patternedBytes(qint64 size, char seed)
{
    // A block of prime length, repeated.
    constexpr qint64 blockSize = 65521;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (qint64 index = 0; index < blockSize; ++index) {
        block[index] = char(seed + (index * 7 + index / 4093) % 26);
    }
    return block.repeated(size / blockSize + 1).left(size);
}

void TestFiles::setTimes(const QString& path, qint64 accessSeconds, qint64 modificationSeconds, long nanoseconds)
{
    const struct timespec times[2] = {{accessSeconds, nanoseconds}, {modificationSeconds, nanoseconds + 1}};
    EXPECT_EQ(::utimensat(AT_FDCWD, encoded(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0) << path.toStdString();
}

qint64 TestFiles::createSampleTree(const QString& root, qint64 largeFileBytes)
{
    const auto at = [&root](const char* relative) { return root + u'/' + QString::fromUtf8(relative); };
    const auto path = [&at](const char* relative) { return encoded(at(relative)); };
    QDir().mkpath(at("Notas/Antigas"));
    QDir().mkpath(at("Somente leitura"));
    writeFile(at("Relatório final.txt"), patternedBytes(5000, 'r'));
    writeFile(at("large.bin"), patternedBytes(largeFileBytes, 'b'));
    writeFile(at("empty"), {});
    writeFile(at(".hidden"), "secret");
    writeFile(at("Notas/Antigas/nota 1.md"), "# nota\n");
    writeFile(at("Somente leitura/dentro.txt"), "protegido");

    ::setxattr(path("Relatório final.txt").constData(), "user.kovara.tag", "azul", 4, 0);
    ::setxattr(path("Relatório final.txt").constData(), "user.empty", "", 0, 0);
    ::setxattr(path("Notas").constData(), "user.folder", "pasta", 5, 0);
    for (const auto& [relative, mode] : {std::pair{"Relatório final.txt", 0640}, std::pair{".hidden", 0600},
                                         std::pair{"large.bin", 0755}, std::pair{"Notas/Antigas", 0750}}) {
        ::chmod(path(relative).constData(), mode_t(mode));
    }
    ::symlink("Notas/Antigas/nota 1.md", path("atalho").constData());
    ::symlink("Notas", path("atalho para pasta").constData());
    ::symlink("/nonexistent/kovara", path("quebrado").constData());
    ::mkfifo(path("fila").constData(), 0620);

    // Old, distinct times everywhere, the folders' last (adding entries changes them).
    qint64 seconds = 1'000'000'000;
    for (const char* relative : {"Relatório final.txt", "large.bin", "empty", ".hidden", "Notas/Antigas/nota 1.md",
                                 "Somente leitura/dentro.txt", "atalho", "atalho para pasta", "quebrado", "fila",
                                 "Notas/Antigas", "Notas", "Somente leitura", ""}) {
        setTimes(relative[0] ? at(relative) : root, seconds, seconds + 500, 123456789);
        seconds += 86'400;
    }
    ::chmod(path("Somente leitura").constData(), 0555);
    return 5000 + largeFileBytes + 6 + 7 + 9;
}

QStringList TestFiles::snapshot(const QString& root)
{
    QList<Entry> entries;
    collect(root, QString(), entries);
    QStringList lines;
    for (const Entry& entry : entries) {
        lines << (entry.relative.isEmpty() ? QStringLiteral(".") : entry.relative) + u' ' + entry.metadata +
                     (entry.regular ? QStringLiteral(" sha=") +
                                          digestOf(entry.relative.isEmpty() ? root : root + u'/' + entry.relative)
                                    : QString());
    }
    lines.sort();
    return lines;
}
