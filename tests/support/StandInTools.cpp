#include "support/StandInTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

QString StandInTools::path(const QString& tool)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(tool);
}

StandInTools::Run StandInTools::run(const QString& tool, const QStringList& arguments, const QByteArray& standardInput)
{
    QProcess process;
    process.start(path(tool), arguments);
    if (!process.waitForStarted(-1)) {
        return {};
    }
    process.write(standardInput);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
