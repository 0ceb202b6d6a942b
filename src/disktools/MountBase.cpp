#include "disktools/MountBase.h"

#include "disktools/FilePath.h"
#include "disktools/ToolFailure.h"
#include "posix/DirectoryNames.h"
#include "posix/PosixCategory.h"
#include "posix/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t maximumFolderNameBytes = 200;
constexpr int maximumClashSuffix = 999;

std::string errorText(int error)
{
    return posixCategory().message(error);
}

// The length of the UTF-8 sequence starting with `lead`; 1 for a byte that starts none, so a
// name that is not UTF-8 is still walked byte by byte.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xf0) {
        return lead < 0xf5 ? 4 : 1;
    }
    if (lead >= 0xe0) {
        return 3;
    }
    return lead >= 0xc2 ? 2 : 1;
}

// The C0 and C1 control characters (U+0000–U+001F, U+007F–U+009F), which a folder name shown
// to the user must not carry.
bool isControlCharacter(std::string_view character)
{
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) {
        return lead < 0x20 || lead == 0x7f;
    }
    return character.size() == 2 && lead == 0xc2 && static_cast<unsigned char>(character[1]) < 0xa0;
}

} // namespace

std::string MountBase::defaultLocation()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        return FilePath::join(runtime, "kovara");
    }
    return "/tmp/kovara-" + std::to_string(::geteuid());
}

MountBase MountBase::prepare(const std::string& location)
{
    if (::mkdir(location.c_str(), 0700) == 0) {
        // mkdir's mode is filtered through the umask; state the mode outright.
        ::chmod(location.c_str(), 0700);
    } else if (errno != EEXIST) {
        throw ToolFailure("Não foi possível criar a pasta de montagem " + location + ": " + errorText(errno));
    }
    struct stat status = {};
    if (::lstat(location.c_str(), &status) != 0) {
        throw ToolFailure(location + ": " + errorText(errno));
    }
    if (!S_ISDIR(status.st_mode)) {
        throw ToolFailure(location + " não é um diretório real; nenhum cofre será montado ali.");
    }
    if (status.st_uid != ::geteuid() || (status.st_mode & 07777) != 0700) {
        throw ToolFailure(location + " não é uma pasta particular deste usuário (dono próprio e permissões 0700); "
                                     "nenhum cofre será montado ali.");
    }
    return MountBase(FilePath::canonical(location));
}

std::string MountBase::claimFolder(const std::string& volumeName) const
{
    removeEmptyFolders(path_);
    const std::string name = folderNameFor(volumeName);
    for (int suffix = 0; suffix <= maximumClashSuffix; ++suffix) {
        std::string candidate = FilePath::join(path_, suffix == 0 ? name : name + " " + std::to_string(suffix));
        const char* path = candidate.c_str();
        // mkdir claims the name atomically: an existing entry of any kind (a link included) is a clash.
        if (::mkdir(path, 0700) != 0) {
            if (errno != EEXIST) {
                throw ToolFailure("Não foi possível criar a pasta de montagem " + candidate + ": " + errorText(errno));
            }
            // Unless it is an empty folder a volume left behind after the sweep above: rmdir takes
            // only an empty folder that nothing is mounted on, and never follows a link.
            if (::rmdir(path) != 0 || ::mkdir(path, 0700) != 0) {
                continue;
            }
        }
        ::chmod(path, 0700);
        return candidate;
    }
    throw ToolFailure("Não há nome livre para a pasta de montagem de \"" + name + "\" em " + path_ + ".");
}

void MountBase::releaseFolder(const std::string& mountPoint)
{
    const std::string base = FilePath::canonical(defaultLocation());
    if (!base.empty() && FilePath::parent(mountPoint) == base) {
        // rmdir removes only an empty folder; anything else stays.
        ::rmdir(mountPoint.c_str());
    }
    removeEmptyFolders(defaultLocation());
}

void MountBase::removeEmptyFolders(const std::string& location)
{
    // Only the private base Kovara made, reached without a link, is swept; and only folders
    // directly in it. Removing a folder through the base's descriptor with AT_REMOVEDIR never
    // follows a link, takes only an empty folder and refuses one a volume is mounted on.
    const UniqueFd base = openPrivate(location);
    if (!base.isValid()) {
        return;
    }
    std::vector<std::string> names;
    if (!readDirectoryNames(base.get(), names)) {
        return;
    }
    for (const std::string& name : names) {
        struct stat entry = {};
        if (::fstatat(base.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(entry.st_mode) &&
            entry.st_uid == ::geteuid()) {
            ::unlinkat(base.get(), name.c_str(), AT_REMOVEDIR);
        }
    }
}

UniqueFd MountBase::openPrivate(const std::string& location)
{
    UniqueFd base(::open(location.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status = {};
    if (base.isValid() && (::fstat(base.get(), &status) != 0 || status.st_uid != ::geteuid() ||
                           (status.st_mode & 07777) != 0700)) {
        base.reset();
    }
    return base;
}

std::string MountBase::folderNameFor(const std::string& volumeName)
{
    std::string name;
    for (std::size_t i = 0; i < volumeName.size();) {
        const std::size_t length =
            std::min(sequenceLength(static_cast<unsigned char>(volumeName[i])), volumeName.size() - i);
        const std::string_view character(volumeName.data() + i, length);
        // Cut at a whole character, never inside one.
        const std::string_view kept = character == "/" || isControlCharacter(character) ? "-" : character;
        if (name.size() + kept.size() > maximumFolderNameBytes) {
            break;
        }
        name.append(kept);
        i += length;
    }
    if (name.empty() || name == "." || name == "..") {
        name = "Cofre";
    }
    return name;
}
