#pragma once

#include <QString>

// One trash folder of the freedesktop.org Trash specification: the home trash
// `$XDG_DATA_HOME/Trash` for the volume of the user's data folder, or `$topdir/.Trash-$uid` for
// any other volume. An item is moved (renamed, never copied) into `files/` beside a
// `.trashinfo` record in `info/`, so file managers can restore it, and an item trashed from a
// vault stays inside that encrypted volume.
//
// Before anything moves, the trash folder and its `files/` and `info/` are created private
// (0700) when missing and must be real folders (not links), owned by the user and writable by
// nobody else; otherwise the move is refused with a Portuguese sentence naming the folder at
// fault. Nothing is ever moved anywhere but into `files/`.
class VolumeTrash
{
public:
    // The user's home trash; its records name items by their absolute path.
    static VolumeTrash home();
    // The trash of the volume mounted at `topDirectory`; its records name items relative to the
    // volume, so they stay restorable when the volume is mounted elsewhere next time.
    static VolumeTrash ofVolume(const QString& topDirectory);

    // ".Trash-<uid>" of the current user.
    static QString directoryName();

    // The trash folder itself.
    QString path() const;

    // Moves the entry at `itemPath`, which must lie on this trash's volume, into the trash and
    // returns its new path. Throws std::runtime_error (a refused trash folder) or a POSIX error
    // when anything fails; the item is then where it was.
    QString moveToTrash(const QString& itemPath) const;

private:
    VolumeTrash(QString parentDirectory, QString name, QString recordsRelativeTo);

    QString parentDirectory_;
    QString name_;
    // Empty for the home trash, whose records hold absolute paths.
    QString recordsRelativeTo_;
};
