#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Files and folder trees for tests: what a file holds, what a folder lists, an entry's mode,
// sample trees for copies and a snapshot of everything a copy must keep.
namespace TestFiles {

// The file's bytes, or an empty array when it cannot be read.
QByteArray readAll(const QString& path);

// Writes `bytes` to a new file at `path`, making the folders above it; a failure fails the test.
void writeFile(const QString& path, const QByteArray& bytes);

// Every entry, hidden ones included, sorted by name.
QStringList entriesOf(const QString& folder);

// The permission bits of the entry itself (a link is not followed), or -1 when it is missing.
int permissionsOf(const QString& path);

// `size` bytes of varied content: a chunk lost, doubled or shifted changes the data.
QByteArray patternedBytes(qint64 size, char seed = 'a');

// Sets access and modification times (the link itself for a symbolic link).
void setTimes(const QString& path, qint64 accessSeconds, qint64 modificationSeconds, long nanoseconds = 0);

// A folder tree at `root` with one of everything a copy must keep: files with odd modes, old
// nanosecond times and user extended attributes, an empty file, a multi-chunk file of
// `largeFileBytes`, a hidden file, nested and read-only folders, a relative link, a link to a
// folder, a dangling link and a FIFO. Returns the bytes of file data in it.
qint64 createSampleTree(const QString& root, qint64 largeFileBytes = 9 * 1024 * 1024 + 17);

// One line per entry of the tree at `root` (links not followed), sorted by path: its type and
// mode, owner, access and modification times to the nanosecond, size, link target, user
// extended attributes and a SHA-256 of its data. Metadata is read before any data, and with
// O_NOATIME, so taking a snapshot does not change it. A link's access time is left out: Linux
// moves it whenever anyone reads the link's target, so no copier (cp -a included) can keep it.
QStringList snapshot(const QString& root);

} // namespace TestFiles
