#pragma once

#include <QString>

// The freedesktop.org trash of one volume: `$topdir/.Trash-$uid/{files,info}`. An item is moved
// (renamed, never copied) into `files/` beside a `.trashinfo` record in `info/`, so an item
// trashed from a vault stays inside that encrypted volume and file managers can restore it.
// Unlike QFile::moveToTrash, this never falls back to the home Trash, which would carry the
// item out of the encrypted volume.
class VolumeTrash
{
public:
    explicit VolumeTrash(QString topDirectory);

    // ".Trash-<uid>" of the current user.
    static QString directoryName();

    // Moves the entry `topDirectory/itemName` into the trash and returns its new path. The
    // record's Path is relative to the volume, so the item stays restorable when the volume is
    // mounted elsewhere next time. Throws a POSIX error when anything fails; the item is then
    // where it was.
    QString moveToTrash(const QString& itemName) const;

private:
    QString topDirectory_;
};
