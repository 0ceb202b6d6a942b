#include "Baselines.h"

#include "disktools/Fusermount.h"
#include "disktools/Gocryptfs.h"
#include "system/ChildProcess.h"

#include <QFileInfo>

#include <stdexcept>

namespace {

void runProgram(const QString& executable, const QStringList& arguments, std::optional<QByteArrayView> input = {},
                ChildProcess::Output output = ChildProcess::Output::captured)
{
    const SystemToolSpec program{executable, QFileInfo(executable).fileName(), std::nullopt};
    // A program that leaves a daemon behind (gocryptfs) gets no pipe the daemon could keep open.
    const SystemProcessResult result = ChildProcess::run(
        program, arguments, {.standardInput = input, .standardOutput = output, .standardError = output}, {});
    if (result.terminationStatus != 0) {
        throw std::runtime_error(QString("%1 %2 failed with status %3: %4")
                                     .arg(executable, arguments.join(u' '))
                                     .arg(result.terminationStatus)
                                     .arg(result.diagnostic())
                                     .toStdString());
    }
}

} // namespace

void Baselines::mountAndList(const QString& cipherDirectory, const QString& mountPoint, const QByteArray& passwordLine)
{
    runProgram(QString::fromLatin1(Gocryptfs::executable), {"-q", "-nosyslog", "--", cipherDirectory, mountPoint},
               QByteArrayView(passwordLine), ChildProcess::Output::discarded);
    runProgram(QStringLiteral("/usr/bin/ls"), {"-lA", "--", mountPoint});
}

void Baselines::unmount(const QString& mountPoint)
{
    runProgram(QString::fromLatin1(Fusermount::executable), {"-u", "--", mountPoint});
}

void Baselines::copyArchive(const QString& source, const QString& destination)
{
    runProgram(QStringLiteral("/usr/bin/cp"), {"-a", "--", source, destination});
}
