#include "disktools/DiskutilCommand.h"

#include "disktools/AttachedImages.h"
#include "disktools/Fusermount.h"
#include "disktools/MountBase.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VolumeHolders.h"

namespace {

// One holder per line: a path holding a line break would split its line.
QString singleLine(QString text)
{
    return text.replace(u'\n', u'?').replace(u'\r', u'?');
}

} // namespace

int DiskutilCommand::run(const QStringList& arguments, std::stop_token stop)
{
    if (arguments.size() != 2 || arguments[0] != "eject" || arguments[1].isEmpty()) {
        throw ToolFailure("Uso: kovara-diskutil eject <ponto de montagem>");
    }
    const QString& target = arguments[1];
    const AttachedImage image = AttachedImages::current().mountedAt(target);
    const Fusermount::Result result = Fusermount::unmount(image.mountPoint, false, stop);
    if (result.outcome == Fusermount::Outcome::busy) {
        QString message = "O volume \"" + singleLine(target) + "\" está em uso (busy) e não foi ejetado.";
        for (const VolumeHolders::Holder& holder : VolumeHolders::of(image.mountPoint)) {
            message += QString("\nVolume \"%1\" failed to eject: dissented by PID %2 (%3)")
                           .arg(singleLine(target))
                           .arg(holder.pid)
                           .arg(singleLine(holder.executablePath));
        }
        throw ToolFailure(message);
    }
    if (result.outcome == Fusermount::Outcome::failed) {
        throw ToolFailure("Não foi possível ejetar \"" + target + "\": " + result.message);
    }
    MountBase::releaseFolder(image.mountPoint);
    ToolOutput::resultLine("Volume \"" + target + "\" ejetado.");
    return 0;
}
