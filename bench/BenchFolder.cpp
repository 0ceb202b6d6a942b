#include "BenchFolder.h"

#include "disktools/Fusermount.h"
#include "posix/MountTable.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

BenchFolder::BenchFolder() : folder_(QDir::tempPath() + QStringLiteral("/kovara-bench-XXXXXX"))
{
    if (!folder_.isValid()) {
        return;
    }
    const QString runtime = filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}

BenchFolder::~BenchFolder()
{
    tearDown();
}

void BenchFolder::unmountEverything() const
{
    const std::string prefix = path().toStdString() + '/';
    const MountTable table = MountTable::read();
    for (const MountInfoEntry& mount : table.entries()) {
        if (mount.isGocryptfs() && mount.mountPoint.starts_with(prefix)) {
            Fusermount::unmount(mount.mountPoint, true, {});
        }
    }
}

void BenchFolder::tearDown()
{
    if (!folder_.isValid()) {
        return;
    }
    try {
        unmountEverything();
    } catch (const std::exception&) {
        // Nothing left to unmount if the mount table cannot be read; the folder still goes.
    }
    folder_.remove();
}
