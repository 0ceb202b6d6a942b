#pragma once

#include <QByteArray>
#include <QString>

// Builds folder trees and files for copy tests.
namespace SampleFileTree {

// Writes `bytes` to a new file at `path` (folders above it are created).
void writeFile(const QString& path, const QByteArray& bytes);

// `size` bytes of varied content (not all zeros, so a copy that loses a chunk shows).
QByteArray patternedBytes(qint64 size, char seed = 'a');

// Sets access and modification times (seconds and nanoseconds since the epoch), the link itself
// for a symbolic link.
void setTimes(const QString& path, qint64 accessSeconds, qint64 modificationSeconds, long nanoseconds = 0);

// A folder tree at `root` with one of everything a copy must keep: files with odd modes, old
// nanosecond times and user extended attributes, an empty file, a multi-chunk file of
// `largeFileBytes`, a hidden file, nested and read-only folders, a relative link, a link to a
// folder, a dangling link and a FIFO. Returns the bytes of file data in it.
qint64 create(const QString& root, qint64 largeFileBytes = 9 * 1024 * 1024 + 17);

} // namespace SampleFileTree
