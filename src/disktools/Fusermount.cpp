#include "disktools/Fusermount.h"

#include "disktools/HelperProcess.h"

Fusermount::Result Fusermount::unmount(const QString& mountPoint, bool lazy, std::stop_token stop)
{
    QStringList arguments{"-u"};
    if (lazy) {
        arguments << "-z";
    }
    arguments << "--" << mountPoint;
    const SystemProcessResult run =
        HelperProcess::run(executable, arguments, std::nullopt, ChildProcess::Output::captured, std::move(stop));
    if (run.terminationStatus == 0) {
        return {Outcome::unmounted, {}};
    }
    const QString message = QString::fromUtf8(run.standardError).trimmed();
    // fusermount3 never sets a locale, so EBUSY always reads as the C library's English text.
    return {message.contains("Device or resource busy") ? Outcome::busy : Outcome::failed,
            message.isEmpty() ? QString("fusermount3 falhou com código %1.").arg(run.terminationStatus) : message};
}
