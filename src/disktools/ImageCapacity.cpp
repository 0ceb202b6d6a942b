#include "disktools/ImageCapacity.h"

#include "disktools/ImageBundle.h"
#include "disktools/ImageCreation.h"
#include "disktools/PropertyList.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "posix/FolderLock.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens a folder for reading without touching its access time: gocryptfs shows a cipher folder's
// times as the vault folder's own, and measuring must not change what the user sees. O_NOATIME is
// refused for a folder someone else owns; that one is opened as usual.
int openFolder(int parent, const char* name)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const int fd = ::openat(parent, name, flags | O_NOATIME);
    return fd >= 0 || errno != EPERM ? fd : ::openat(parent, name, flags);
}

// st_blocks counts 512-byte units whatever the file system's block size.
std::uint64_t allocated(const struct stat& status)
{
    return static_cast<std::uint64_t>(status.st_blocks) * 512U;
}

// The blocks of everything inside the folder open on `fd`, which it closes.
std::uint64_t allocatedInside(int fd, const std::string& path, const std::stop_token& stop)
{
    DIR* folder = ::fdopendir(fd);
    if (folder == nullptr) {
        ::close(fd);
        throw ToolFailure(path + ": não foi possível medir o espaço usado.");
    }
    std::uint64_t total = 0;
    try {
        while (const dirent* entry = ::readdir(folder)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            if (stop.stop_requested()) {
                throw ToolFailure("Operação interrompida.");
            }
            struct stat status = {};
            if (::fstatat(::dirfd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            total += allocated(status);
            if (S_ISDIR(status.st_mode)) {
                const int child = openFolder(::dirfd(folder), entry->d_name);
                if (child >= 0) {
                    total += allocatedInside(child, path + "/" + entry->d_name, stop);
                }
            }
        }
    } catch (...) {
        ::closedir(folder);
        throw;
    }
    ::closedir(folder);
    return total;
}

} // namespace

std::uint64_t ImageCapacity::allocatedBytes(const std::string& folder, const std::stop_token& stop)
{
    struct stat status = {};
    const int fd = openFolder(AT_FDCWD, folder.c_str());
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw ToolFailure(folder + ": não foi possível medir o espaço usado.");
    }
    return allocated(status) + allocatedInside(fd, folder, stop);
}

int ImageCapacity::runInfo(const std::vector<std::string>& arguments, const std::stop_token& stop)
{
    const ToolArguments args(arguments, {}, {"-plist"}, "kovara-hdiutil imageinfo -plist <imagem>");
    args.requireFlag("-plist");
    const ImageBundle bundle = ImageBundle::open(args.singleOperand());
    const PropertyList info = PropertyList::Dictionary{
        {"Size Information",
         PropertyList::Dictionary{{"Total Bytes", bundle.capacityBytes()},
                                  {"Total Non-Empty Bytes", allocatedBytes(bundle.cipherDirectory(), stop)}}}};
    ToolOutput::result(info.toXml());
    return 0;
}

int ImageCapacity::runResize(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {"-size"}, {}, "kovara-hdiutil resize -size <N>g <imagem>");
    const std::uint64_t capacity = ImageCreation::capacityFrom(args.requiredValue("-size"));
    const ImageBundle opened = ImageBundle::open(args.singleOperand());
    // Under the image's lock, read afresh: another change may have come first.
    const FolderLock lock = opened.lock();
    const ImageBundle bundle = ImageBundle::open(opened.path());
    const std::uint64_t used = allocatedBytes(bundle.cipherDirectory(), stop);
    if (capacity < used) {
        throw ToolFailure("A capacidade pedida é menor que o espaço já usado (" + std::to_string(used) + " bytes).",
                          belowUsageStatus);
    }
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a capacidade não foi alterada.");
    }
    ImageBundle::writeMetadata(bundle.path(), bundle.volumeName(), capacity);
    ToolOutput::resultLine("hdiutil: resize: a capacidade de \"" + bundle.path() + "\" agora é de " +
                           std::to_string(capacity) + " bytes.");
    return 0;
}
