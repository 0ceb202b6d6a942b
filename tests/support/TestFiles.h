#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <sys/stat.h>

// Small file-system looks for tests: what a file holds, what a folder lists, an entry's mode.
namespace TestFiles {

// The file's bytes, or an empty array when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a new file, making the folders above it; a failure also fails the test.
inline bool writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
    EXPECT_TRUE(written) << "cannot write " << path.toStdString();
    return written;
}

// Every entry, hidden ones included, sorted by name.
inline QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The permission bits of the entry itself (a link is not followed), or -1 when it is missing.
inline int permissionsOf(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

} // namespace TestFiles
