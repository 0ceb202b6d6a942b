#pragma once

#include <QByteArray>
#include <QString>

// What a person would do by hand instead of using Kovara, each the baseline of one scenario.
// Every step runs the real program by absolute path and throws std::runtime_error when it fails.
namespace Baselines {

// gocryptfs mounts `cipherDirectory` on `mountPoint` with the same options the disk-image
// stand-in gives it, then `ls -lA` lists the volume. `passwordLine` is what gocryptfs reads on
// its standard input.
void mountAndList(const QString& cipherDirectory, const QString& mountPoint, const QByteArray& passwordLine);
// fusermount3 -u: gone from the mount table when it returns.
void unmount(const QString& mountPoint);
// ls -l of `folder`, what it prints thrown away.
void listLong(const QString& folder);
// cp -a of `source` to `destination`, which does not exist yet.
void copyArchive(const QString& source, const QString& destination);

} // namespace Baselines
