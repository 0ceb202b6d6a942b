#include "disktools/ImageKeyRecovery.h"

#include "disktools/FilePath.h"
#include "disktools/Fusermount.h"
#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/MountBase.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VaultPassword.h"
#include "posix/FolderLock.h"
#include "posix/UniqueFd.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The names gocryptfs keeps for itself in a cipher folder: its configuration, the folder's IV,
// and the companion holding a long name's encryption (the entry it belongs to counts instead).
bool isVolumeEntry(const std::string& name)
{
    if (!name.starts_with("gocryptfs.")) {
        return true;
    }
    return name.starts_with("gocryptfs.longname.") && !name.ends_with(".name");
}

// Whether the first byte of a non-empty file reads: gocryptfs authenticates every block, so a
// wrong key makes this fail where a right one never does.
bool firstByteReads(const std::string& path)
{
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    char byte = 0;
    return file.get() >= 0 && ::read(file.get(), &byte, 1) == 1;
}

// With a wrong key no name decrypts, so the volume's top level comes out shorter than the cipher
// folder's; with the right one every name does. The contents of a few files then settle it for
// good. A vault with nothing in it at all gives no way to tell.
bool keyOpensVolume(const std::string& cipherDirectory, const std::string& mountPoint)
{
    const std::vector<std::string> cipherNames = FilePath::entriesOf(cipherDirectory);
    const auto expected = std::count_if(cipherNames.begin(), cipherNames.end(), isVolumeEntry);
    if (expected == 0) {
        throw ToolFailure("O cofre está vazio: não há com que conferir a chave de recuperação.");
    }
    const std::vector<std::string> names = FilePath::entriesOf(mountPoint);
    if (static_cast<std::ptrdiff_t>(names.size()) != expected) {
        return false;
    }
    constexpr int filesRead = 8;
    int read = 0;
    for (const std::string& name : names) {
        const std::string path = FilePath::join(mountPoint, name);
        struct stat status = {};
        if (read < filesRead && ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
            ++read;
            if (!firstByteReads(path)) {
                return false;
            }
        }
    }
    return true;
}

// Mounts the volume read-only with the key on a private folder of its own, looks, and leaves
// nothing mounted or made behind.
bool keyOpens(const ImageBundle& bundle, const RecoveryKey& key)
{
    const MountBase base = MountBase::prepare(MountBase::defaultLocation());
    std::string folder = FilePath::join(base.path(), ".conferencia-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        throw ToolFailure("Não foi possível preparar a conferência da chave em " + base.path() + ".");
    }
    bool opens = false;
    try {
        Gocryptfs::mountReadOnly(bundle.cipherDirectory(), folder, key);
        try {
            opens = keyOpensVolume(bundle.cipherDirectory(), folder);
        } catch (...) {
            Fusermount::unmount(folder, true, {});
            throw;
        }
        Fusermount::unmount(folder, true, {});
    } catch (...) {
        ::rmdir(folder.c_str());
        throw;
    }
    ::rmdir(folder.c_str());
    return opens;
}

// The key passes through buffers this process does not control (the pipe it is read from): a
// crash must not write them into a core dump.
void keepOutOfCoreDumps()
{
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

} // namespace

int ImageKeyRecovery::runShowKey(const std::vector<std::string>& arguments, std::stop_token stop)
{
    keepOutOfCoreDumps();
    const ToolArguments args(arguments, {}, {"-stdinpass"}, "kovara-hdiutil showkey -stdinpass <imagem>");
    const std::string path = args.singleOperand();
    args.requireFlag("-stdinpass");
    const VaultPassword password = VaultPassword::readNulTerminated(STDIN_FILENO);
    const ImageBundle bundle = ImageBundle::open(path);
    const std::optional<RecoveryKey> key = Gocryptfs::masterKey(bundle.cipherDirectory(), password, std::move(stop));
    if (!key) {
        throw ToolFailure("Senha incorreta.", authenticationErrorStatus);
    }
    const SecretBytes line = key->gocryptfsLine();
    ToolOutput::result(line.view());
    return 0;
}

int ImageKeyRecovery::runResetPassword(const std::vector<std::string>& arguments, std::stop_token stop)
{
    keepOutOfCoreDumps();
    const ToolArguments args(arguments, {}, {"-stdinkey", "-newstdinpass"},
                             "kovara-hdiutil resetpass -stdinkey -newstdinpass <imagem>");
    const std::string path = args.singleOperand();
    args.requireFlag("-stdinkey");
    args.requireFlag("-newstdinpass");
    const RecoveryKey key = RecoveryKey::readNulTerminated(STDIN_FILENO);
    const VaultPassword newPassword = VaultPassword::readNulTerminated(STDIN_FILENO);
    if (newPassword.isEmpty()) {
        throw ToolFailure("A nova senha não pode ser vazia.");
    }
    const ImageBundle bundle = ImageBundle::open(path);
    // Waits for an attach or another change of the image, and keeps them waiting.
    const FolderLock lock = bundle.lock();
    if (!keyOpens(bundle, key)) {
        throw ToolFailure("A chave de recuperação não abre esta imagem.", authenticationErrorStatus);
    }
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a senha não foi alterada.");
    }
    Gocryptfs::setPasswordWithKey(bundle.cipherDirectory(), key, newPassword, std::move(stop));
    ToolOutput::resultLine("hdiutil: resetpass: a senha de \"" + bundle.path() + "\" foi redefinida.");
    return 0;
}
