#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <sys/stat.h>

// Everything a user would call "the same file" about a tree: for each entry (links not
// followed) its type, mode, owner, access and modification times to the nanosecond, user
// extended attributes, link target, and a SHA-256 of the data. All metadata is read before any
// data, and data is read with O_NOATIME, so taking a snapshot does not change what it records.
// A symbolic link's access time is left out: Linux moves it whenever anyone reads the link's
// target (readlink has no O_NOATIME), so no copier (cp -a included) can leave it alone.
struct FileTreeSnapshot
{
    struct Entry
    {
        QString relativePath; // "" for the root
        mode_t mode = 0;
        uid_t owner = 0;
        gid_t group = 0;
        qint64 accessTimeNs = 0;
        qint64 modificationTimeNs = 0;
        qint64 fileSize = 0; // regular files only
        QByteArray linkTarget;
        QMap<QByteArray, QByteArray> userAttributes;
        QByteArray sha256;

        bool operator==(const Entry&) const = default;
    };

    static FileTreeSnapshot of(const QString& path);

    // Readable differences, for test failure messages ("" when equal).
    QString differencesFrom(const FileTreeSnapshot& other) const;

    QList<Entry> entries; // sorted by relativePath

    bool operator==(const FileTreeSnapshot&) const = default;
};
