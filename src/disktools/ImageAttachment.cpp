#include "disktools/ImageAttachment.h"

#include "disktools/AttachedImages.h"
#include "disktools/AttachmentPropertyList.h"
#include "disktools/EjectAttemptNote.h"
#include "disktools/FilePath.h"
#include "disktools/Fusermount.h"
#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/MountBase.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VaultPassword.h"
#include "posix/AttachExitStatus.h"
#include "posix/FolderLock.h"

#include <charconv>
#include <chrono>
#include <exception>
#include <optional>
#include <unistd.h>

namespace {

const char* const usage =
    "kovara-hdiutil attach [-plist] [-nobrowse] [-owners on] [-idle <segundos>] -stdinpass <imagem>";

// Whole seconds above zero; gocryptfs is handed the same number.
std::chrono::seconds idleTimeoutFrom(const ToolArguments& args)
{
    const std::optional<std::string> value = args.value("-idle");
    if (!value) {
        return std::chrono::seconds(0);
    }
    int seconds = 0;
    const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), seconds);
    if (error != std::errc() || end != value->data() + value->size() || seconds <= 0) {
        args.refuse("O valor de -idle deve ser um número inteiro de segundos maior que zero.");
    }
    return std::chrono::seconds(seconds);
}

void print(const AttachedImage& image, bool asPropertyList)
{
    if (asPropertyList) {
        ToolOutput::result(AttachmentPropertyList::forAttach(image));
    } else {
        ToolOutput::resultLine(image.deviceEntry + "\t" + image.mountPoint);
    }
}

// Undoes a failed attempt by the mount point it chose, which the mount table spells exactly
// (unlike the image's path, whose commas gocryptfs rewrites): whatever was mounted there by this
// user is detached at once, and the mount folder removed.
void undoAttempt(const std::string& folder)
{
    const MountTable table = MountTable::read();
    for (const MountInfoEntry& mount : table.entries()) {
        if (mount.mountPoint == folder && AttachedImages::isOwnPrivateMount(mount)) {
            Fusermount::unmount(folder, true, {});
        }
    }
    // rmdir removes only an empty folder and never follows a link put in its place.
    ::rmdir(folder.c_str());
}

// A mount of this image whose daemon died answers every request with ENOTCONN: it is detached
// so that the image is mounted afresh instead of being reported at a mount nobody can use.
void releaseDisconnectedMounts(const AttachedImages& attached, const ImageBundle& bundle)
{
    for (const std::string& mountPoint : attached.disconnectedMountsOf(bundle.path())) {
        if (Fusermount::unmount(mountPoint, true, {}).outcome == Fusermount::Outcome::unmounted) {
            MountBase::releaseFolder(mountPoint);
        }
    }
}

AttachedImage mount(const ImageBundle& bundle, const std::string& folder, const VaultPassword& password,
                    std::chrono::seconds idleTimeout, std::stop_token stop)
{
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a imagem não foi anexada.");
    }
    Gocryptfs::mount(bundle.cipherDirectory(), folder, password, idleTimeout, stop);
    // The system's mount table, not gocryptfs's word, says where the volume went: a folder
    // swapped for a symbolic link after it was made would have steered the mount elsewhere. The
    // volume itself says whose it is; the name the table gives it is the image's path only as far
    // as fusermount3 and gocryptfs let it through (a backslash dropped, a comma rewritten).
    const std::optional<AttachedImage> mounted = AttachedImages::servingAt(folder, bundle);
    if (!mounted) {
        throw ToolFailure("O volume não apareceu montado em " + folder + "; a pasta de montagem foi alterada?");
    }
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a imagem não foi anexada.");
    }
    return *mounted;
}

int attach(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {"-owners", "-idle"}, {"-plist", "-nobrowse", "-stdinpass"}, usage);
    const std::string path = args.singleOperand();
    // Volumes are always owned by the user who attaches them and visible to that user alone.
    if (const std::optional<std::string> owners = args.value("-owners");
        owners && *owners != "on" && *owners != "off") {
        args.refuse("O valor de -owners deve ser on ou off.");
    }
    args.requireFlag("-stdinpass");
    const bool asPropertyList = args.has("-plist");
    const std::chrono::seconds idleTimeout = idleTimeoutFrom(args);

    const VaultPassword password = VaultPassword::readNulTerminated(STDIN_FILENO);
    const ImageBundle bundle = ImageBundle::open(path);
    const FolderLock lock = bundle.lock();

    const AttachedImages attached = AttachedImages::current();
    releaseDisconnectedMounts(attached, bundle);
    if (const std::optional<AttachedImage> existing = attached.withImage(bundle.path())) {
        print(*existing, asPropertyList);
        return 0;
    }
    if (password.isEmpty()) {
        throw ToolFailure("Senha incorreta.", AttachExitStatus::wrongPassword);
    }

    const MountBase base = MountBase::prepare(MountBase::defaultLocation());
    const std::string folder = base.claimFolder(bundle.volumeName());
    // A note an earlier eject left for this place speaks of a volume that is gone.
    EjectAttemptNote::forget(folder);
    AttachedImage mounted;
    try {
        mounted = mount(bundle, folder, password, idleTimeout, stop);
    } catch (...) {
        try {
            undoAttempt(folder);
        } catch (const std::exception&) {
            // The attempt's own failure is the one to report.
        }
        throw;
    }
    print(mounted, asPropertyList);
    return 0;
}

} // namespace

int ImageAttachment::run(const std::vector<std::string>& arguments, std::stop_token stop)
{
    try {
        return attach(arguments, std::move(stop));
    } catch (const ToolFailure& failure) {
        // Status 1 says "wrong password" to the caller: any other failure says something else.
        if (!failure.hasOwnStatus()) {
            throw ToolFailure(failure.message(), AttachExitStatus::failed);
        }
        throw;
    } catch (const std::exception& error) {
        throw ToolFailure(error.what(), AttachExitStatus::failed);
    }
}
