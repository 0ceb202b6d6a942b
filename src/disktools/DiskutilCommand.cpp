#include "disktools/DiskutilCommand.h"

#include "disktools/AttachedImages.h"
#include "disktools/EjectAttemptNote.h"
#include "disktools/Fusermount.h"
#include "disktools/MountBase.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VolumeHolders.h"

namespace {

// One holder per line: a path holding a line break would split its line.
std::string singleLine(std::string text)
{
    for (char& c : text) {
        c = c == '\n' || c == '\r' ? '?' : c;
    }
    return text;
}

} // namespace

int DiskutilCommand::run(const std::vector<std::string>& arguments, std::stop_token stop)
{
    if (arguments.size() != 2 || arguments[0] != "eject" || arguments[1].empty()) {
        throw ToolFailure("Uso: kovara-diskutil eject <ponto de montagem>");
    }
    const std::string& target = arguments[1];
    const AttachedImage image = AttachedImages::current().mountedAt(target);
    // The common case, a volume nothing holds, goes straight to fusermount3: this process becomes
    // it, so the eject costs one program start and nothing waits for fusermount3 but the caller.
    // The folder the volume leaves is taken again, or swept, by the next attach.
    if (!EjectAttemptNote::followsAttemptOn(image.mountPoint) && EjectAttemptNote::leave(image.mountPoint)) {
        Fusermount::becomeUnmount(image.mountPoint);
        // Still here: fusermount3 could not start, which the careful way below reports.
    }
    const Fusermount::Result result = Fusermount::unmount(image.mountPoint, false, stop);
    if (result.outcome == Fusermount::Outcome::busy) {
        // Renewed, so that the caller's next attempt names the holders too.
        EjectAttemptNote::leave(image.mountPoint);
        std::string message = "O volume \"" + singleLine(target) + "\" está em uso (busy) e não foi ejetado.";
        for (const VolumeHolders::Holder& holder : VolumeHolders::of(image.mountPoint)) {
            message += "\nVolume \"" + singleLine(target) + "\" failed to eject: dissented by PID " +
                       std::to_string(holder.pid) + " (" + singleLine(holder.executablePath) + ")";
        }
        throw ToolFailure(message);
    }
    if (result.outcome == Fusermount::Outcome::failed) {
        throw ToolFailure("Não foi possível ejetar \"" + target + "\": " + result.message);
    }
    EjectAttemptNote::forget(image.mountPoint);
    MountBase::releaseFolder(image.mountPoint);
    ToolOutput::resultLine("Volume \"" + target + "\" ejetado.");
    return 0;
}
