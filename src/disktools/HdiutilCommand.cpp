#include "disktools/HdiutilCommand.h"

#include "disktools/AttachedImages.h"
#include "disktools/AttachmentPropertyList.h"
#include "disktools/Fusermount.h"
#include "disktools/ImageAttachment.h"
#include "disktools/ImageCapacity.h"
#include "disktools/ImageCreation.h"
#include "disktools/ImageKeyRecovery.h"
#include "disktools/ImagePasswordChange.h"
#include "disktools/ImageVerification.h"
#include "disktools/MountBase.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"

namespace {

const char* const usage = "kovara-hdiutil create|attach|chpass|showkey|resetpass|verify|imageinfo|resize|info|detach …";

int info(const std::vector<std::string>& arguments)
{
    const ToolArguments args(arguments, {}, {"-plist"}, "kovara-hdiutil info [-plist]");
    const AttachedImages attached = AttachedImages::current();
    if (args.has("-plist")) {
        ToolOutput::result(AttachmentPropertyList::forInfo(attached.images()));
        return 0;
    }
    for (const AttachedImage& image : attached.images()) {
        ToolOutput::resultLine(image.imagePath + "\n\t" + image.deviceEntry + "\t" + image.mountPoint);
    }
    return 0;
}

int detach(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {}, {"-force"}, "kovara-hdiutil detach [-force] <ponto de montagem>");
    const std::string target = args.singleOperand();
    const AttachedImage image = AttachedImages::current().mountedAt(target);
    const Fusermount::Result result = Fusermount::unmount(image.mountPoint, args.has("-force"), stop);
    if (result.outcome == Fusermount::Outcome::busy) {
        throw ToolFailure("Não foi possível desanexar \"" + target + "\": Resource busy",
                          HdiutilCommand::resourceBusyStatus);
    }
    if (result.outcome == Fusermount::Outcome::failed) {
        throw ToolFailure("Não foi possível desanexar \"" + target + "\": " + result.message);
    }
    MountBase::releaseFolder(image.mountPoint);
    ToolOutput::resultLine("\"" + target + "\" desanexado.");
    return 0;
}

} // namespace

int HdiutilCommand::run(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const std::string verb = arguments.empty() ? std::string() : arguments.front();
    const std::vector<std::string> rest(arguments.empty() ? arguments.end() : arguments.begin() + 1, arguments.end());
    if (verb == "create") {
        return ImageCreation::run(rest, stop);
    }
    if (verb == "attach") {
        return ImageAttachment::run(rest, stop);
    }
    if (verb == "chpass") {
        return ImagePasswordChange::run(rest, stop);
    }
    if (verb == "showkey") {
        return ImageKeyRecovery::runShowKey(rest, stop);
    }
    if (verb == "resetpass") {
        return ImageKeyRecovery::runResetPassword(rest, stop);
    }
    if (verb == "verify") {
        return ImageVerification::run(rest, stop);
    }
    if (verb == "imageinfo") {
        return ImageCapacity::runInfo(rest, stop);
    }
    if (verb == "resize") {
        return ImageCapacity::runResize(rest, stop);
    }
    if (verb == "info") {
        return info(rest);
    }
    if (verb == "detach") {
        return detach(rest, stop);
    }
    throw ToolFailure("Verbo desconhecido: " + verb + "\nUso: " + usage);
}
