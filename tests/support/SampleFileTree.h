#pragma once

#include "support/TestFiles.h"

#include <QByteArray>
#include <QString>

// Builds folder trees and files for copy tests.
namespace SampleFileTree {

using TestFiles::writeFile;

// `size` bytes of varied content: a chunk lost, doubled or shifted changes the data.
QByteArray patternedBytes(qint64 size, char seed = 'a');

// Sets access and modification times (the link itself for a symbolic link).
void setTimes(const QString& path, qint64 accessSeconds, qint64 modificationSeconds, long nanoseconds = 0);

// A folder tree at `root` with one of everything a copy must keep: files with odd modes, old
// nanosecond times and user extended attributes, an empty file, a multi-chunk file of
// `largeFileBytes`, a hidden file, nested and read-only folders, a relative link, a link to a
// folder, a dangling link and a FIFO. Returns the bytes of file data in it.
qint64 create(const QString& root, qint64 largeFileBytes = 9 * 1024 * 1024 + 17);

} // namespace SampleFileTree
