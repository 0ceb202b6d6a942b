#include "disktools/Fusermount.h"

#include "disktools/HelperProcess.h"
#include "disktools/ToolFailure.h"

Fusermount::Result Fusermount::unmount(const QString& mountPoint, bool lazy, std::stop_token stop)
{
    QStringList arguments{"-u"};
    if (lazy) {
        arguments << "-z";
    }
    arguments << "--" << mountPoint;
    HelperProcess::Options options;
    options.captureStandardError = true;
    const HelperProcess::Result run = HelperProcess::run(executable, arguments, options, stop);
    if (run.stopped) {
        throw ToolFailure("Operação interrompida.");
    }
    if (run.exitStatus == 0) {
        return {Outcome::unmounted, {}};
    }
    const QString message = QString::fromUtf8(run.standardError).trimmed();
    // fusermount3 never sets a locale, so EBUSY always reads as the C library's English text.
    return {message.contains("Device or resource busy") ? Outcome::busy : Outcome::failed,
            message.isEmpty() ? QString("fusermount3 falhou com código %1.").arg(run.exitStatus) : message};
}
