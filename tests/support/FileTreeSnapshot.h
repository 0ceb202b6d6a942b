#pragma once

#include <QString>
#include <QStringList>

// Everything a user would call "the same file" about a tree, one line per entry (links not
// followed), sorted by path: its type and mode, owner, access and modification times to the
// nanosecond, size, link target, user extended attributes and a SHA-256 of its data. Metadata is
// read before any data, and with O_NOATIME, so taking a snapshot does not change it. A link's
// access time is left out: Linux moves it whenever anyone reads the link's target, so no copier
// (cp -a included) can keep it.
struct FileTreeSnapshot
{
    static FileTreeSnapshot of(const QString& path);

    // The lines that differ, "-" for this snapshot's and "+" for the other's; "" when equal.
    QString differencesFrom(const FileTreeSnapshot& other) const;
    static QString differencesBetween(const QString& path, const QString& otherPath)
    {
        return of(path).differencesFrom(of(otherPath));
    }

    QStringList lines;
};
