#include "disktools/MdutilCommand.h"

#include "disktools/AttachedImages.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"

int MdutilCommand::run(const std::vector<std::string>& arguments)
{
    const bool indexingOff = arguments.size() == 3 && arguments[0] == "-i" && arguments[1] == "off";
    const bool searchOff = arguments.size() == 2 && arguments[0] == "-d";
    if (!indexingOff && !searchOff) {
        throw ToolFailure("Uso: kovara-mdutil -i off <volume> | kovara-mdutil -d <volume>");
    }
    const std::string& target = arguments.back();
    const std::optional<AttachedImage> image = AttachedImages::current().withMountPointOrDevice(target);
    if (!image || !image->isVaultImage || image->deviceEntry == target) {
        throw ToolFailure(target + ": não é um volume de cofre montado.");
    }
    ToolOutput::resultLine(target + ":\n\t" + (indexingOff ? "Indexação desativada." : "Busca desativada."));
    return 0;
}
