#include "support/GocryptfsTestMount.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

// Runs gocryptfs with the password on standard input. Its output goes to a file, not a pipe: the
// mounted daemon outlives the command and must not hold a pipe open.
bool runGocryptfs(const QStringList& arguments, const QString& logPath)
{
    QProcess process;
    process.setStandardOutputFile(logPath, QIODevice::Append);
    process.setStandardErrorFile(logPath, QIODevice::Append);
    process.start(QStringLiteral("/usr/bin/gocryptfs"), arguments);
    if (!process.waitForStarted()) {
        ADD_FAILURE() << "gocryptfs cannot start: " << process.errorString().toStdString();
        return false;
    }
    process.write("senha de teste\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QFile log(logPath);
        log.open(QIODevice::ReadOnly);
        ADD_FAILURE() << "gocryptfs " << arguments.join(u' ').toStdString() << " failed: " << log.readAll().toStdString();
        return false;
    }
    return true;
}

} // namespace

GocryptfsTestMount::GocryptfsTestMount(const QString& volumeName)
    : folder_(QDir::tempPath() + QStringLiteral("/kovara-volume-XXXXXX")), unmountOnExit_({folder_.path()})
{
    const QString cipher = folder_.path() + QStringLiteral("/cipher");
    mountPoint_ = folder_.path() + u'/' + volumeName;
    const QString log = folder_.path() + QStringLiteral("/gocryptfs.log");
    if (!QFile::exists(QStringLiteral("/dev/fuse"))) {
        ADD_FAILURE() << "/dev/fuse is missing";
        return;
    }
    QDir().mkpath(cipher);
    QDir().mkpath(mountPoint_);
    QDir().mkpath(scratchFolder());
    mounted_ = runGocryptfs({QStringLiteral("-init"), QStringLiteral("-q"), QStringLiteral("-scryptn"),
                             QStringLiteral("10"), cipher},
                            log) &&
               runGocryptfs({QStringLiteral("-q"), QStringLiteral("-nosyslog"), cipher, mountPoint_}, log);
}
