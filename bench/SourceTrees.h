#pragma once

#include <QString>

// The folders the import scenarios copy (std::runtime_error when they cannot be written). Written once per run; their pages stay in the cache,
// so every copy of them measures the write path into the vault, not the reading of the disk.
namespace SourceTrees {

// Four files of 256 MiB (1 GiB in all) in `root`, like a handful of videos.
qint64 writeLargeFiles(const QString& root);
// 20,000 files of 4 KiB in three levels of folders under `root`, like a photo library's
// thumbnails or a source tree.
qint64 writeSmallFiles(const QString& root);

} // namespace SourceTrees
