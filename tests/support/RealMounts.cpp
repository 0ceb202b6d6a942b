#include "support/RealMounts.h"

#include "disktools/Fusermount.h"
#include "disktools/Gocryptfs.h"
#include "posix/MountTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

QStringList RealMounts::mountPointsUnder(const QString& root)
{
    QStringList found;
    const MountTable table = MountTable::read();
    for (const MountInfoEntry& mount : table.entries()) {
        const QString mountPoint = QString::fromStdString(mount.mountPoint);
        if (mount.isGocryptfs() &&
            (mountPoint == root || mountPoint.startsWith(root + u'/'))) {
            found << mountPoint;
        }
    }
    return found;
}

QString RealMounts::standInPath(const QString& tool)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(tool);
}

RealMounts::Run RealMounts::runStandIn(const QString& tool, const QStringList& arguments,
                                       const QByteArray& standardInput)
{
    QProcess process;
    process.start(standInPath(tool), arguments);
    if (!process.waitForStarted(-1)) {
        return {};
    }
    process.write(standardInput);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

int RealMounts::runGocryptfs(const QStringList& arguments, const QByteArray& passwordLine)
{
    QProcess gocryptfs;
    gocryptfs.setStandardOutputFile(QProcess::nullDevice());
    gocryptfs.setStandardErrorFile(QProcess::nullDevice());
    gocryptfs.start(Gocryptfs::executable, arguments);
    gocryptfs.write(passwordLine + "\n");
    gocryptfs.closeWriteChannel();
    return gocryptfs.waitForFinished(-1) && gocryptfs.exitStatus() == QProcess::NormalExit ? gocryptfs.exitCode() : -1;
}

GocryptfsMountGuard::~GocryptfsMountGuard()
{
    for (const QString& root : roots_) {
        for (const QString& mountPoint : RealMounts::mountPointsUnder(root)) {
            Fusermount::unmount(mountPoint.toStdString(), true, {});
        }
    }
}

GocryptfsTestMount::GocryptfsTestMount(const QString& volumeName)
    : folder_(QDir::tempPath() + QStringLiteral("/kovara-volume-XXXXXX"))
    , unmountOnExit_({folder_.path()})
    , mountPoint_(folder_.path() + u'/' + volumeName)
{
    const QString cipher = folder_.path() + QStringLiteral("/cipher");
    QDir().mkpath(cipher);
    QDir().mkpath(mountPoint_);
    QDir().mkpath(scratchFolder());
    // The password on standard input; the output to a file, not a pipe, since the mounted
    // daemon outlives the command and must not hold a pipe open.
    const auto gocryptfs = [this](const QStringList& arguments) {
        QProcess process;
        process.setStandardOutputFile(folder_.filePath(QStringLiteral("gocryptfs.log")), QIODevice::Append);
        process.setStandardErrorFile(folder_.filePath(QStringLiteral("gocryptfs.log")), QIODevice::Append);
        process.start(QStringLiteral("/usr/bin/gocryptfs"), arguments);
        process.write("senha de teste\n");
        process.closeWriteChannel();
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
            return true;
        }
        QFile log(folder_.filePath(QStringLiteral("gocryptfs.log")));
        log.open(QIODevice::ReadOnly);
        ADD_FAILURE() << "gocryptfs " << arguments.join(u' ').toStdString()
                      << " failed: " << process.errorString().toStdString() << log.readAll().toStdString();
        return false;
    };
    mounted_ = gocryptfs({QStringLiteral("-init"), QStringLiteral("-q"), QStringLiteral("-scryptn"),
                          QStringLiteral("10"), cipher}) &&
               gocryptfs({QStringLiteral("-q"), QStringLiteral("-nosyslog"), cipher, mountPoint_});
}
