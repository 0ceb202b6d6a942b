#include "PeakResidentMemory.h"

#include <QFile>

bool PeakResidentMemory::reset()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

qint64 PeakResidentMemory::bytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            // "VmHWM:     12345 kB"
            bool ok = false;
            const qint64 kibibytes = line.mid(6).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kibibytes * 1024 : -1;
        }
    }
    return -1;
}
