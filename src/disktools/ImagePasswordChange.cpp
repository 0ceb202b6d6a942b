#include "disktools/ImagePasswordChange.h"

#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VaultPassword.h"
#include "posix/FolderLock.h"

#include <unistd.h>

namespace {

const char* const usage = "kovara-hdiutil chpass -oldstdinpass -newstdinpass <imagem>";

} // namespace

int ImagePasswordChange::run(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {}, {"-oldstdinpass", "-newstdinpass"}, usage);
    const std::string path = args.singleOperand();
    args.requireFlag("-oldstdinpass");
    args.requireFlag("-newstdinpass");

    const VaultPassword currentPassword = VaultPassword::readNulTerminated(STDIN_FILENO);
    const VaultPassword newPassword = VaultPassword::readNulTerminated(STDIN_FILENO);
    if (newPassword.isEmpty()) {
        throw ToolFailure("A nova senha não pode ser vazia.");
    }
    const ImageBundle bundle = ImageBundle::open(path);
    // Two changes of one image, or a change during an attach, wait for each other.
    const FolderLock lock = bundle.lock();
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a senha não foi alterada.");
    }
    // Under the lock nobody else is writing the configuration.
    Gocryptfs::discardConfigurationLeftovers(bundle.cipherDirectory());
    if (!Gocryptfs::changePassword(bundle.cipherDirectory(), currentPassword, newPassword, std::move(stop))) {
        throw ToolFailure("A senha atual está incorreta.", authenticationErrorStatus);
    }
    ToolOutput::resultLine("kovara-hdiutil: chpass: a senha de \"" + bundle.path() + "\" foi alterada.");
    return 0;
}
