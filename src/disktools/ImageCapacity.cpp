#include "disktools/ImageCapacity.h"

#include "disktools/ImageBundle.h"
#include "disktools/ImageCreation.h"
#include "disktools/PropertyList.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "posix/FolderLock.h"

#include <ftw.h>
#include <sys/stat.h>

namespace {

// nftw keeps no context of its own; one walk runs at a time in a stand-in.
thread_local std::uint64_t walkedBytes = 0;

int countBlocks(const char* /*path*/, const struct stat* status, int /*type*/, struct FTW* /*position*/)
{
    // st_blocks counts 512-byte units whatever the file system's block size.
    walkedBytes += static_cast<std::uint64_t>(status->st_blocks) * 512U;
    return 0;
}

} // namespace

std::uint64_t ImageCapacity::allocatedBytes(const std::string& folder)
{
    walkedBytes = 0;
    constexpr int openFolders = 32;
    if (::nftw(folder.c_str(), countBlocks, openFolders, FTW_PHYS) != 0) {
        throw ToolFailure(folder + ": não foi possível medir o espaço usado.");
    }
    return walkedBytes;
}

int ImageCapacity::runInfo(const std::vector<std::string>& arguments)
{
    const ToolArguments args(arguments, {}, {"-plist"}, "kovara-hdiutil imageinfo -plist <imagem>");
    args.requireFlag("-plist");
    const ImageBundle bundle = ImageBundle::open(args.singleOperand());
    const PropertyList info = PropertyList::Dictionary{
        {"Size Information",
         PropertyList::Dictionary{{"Total Bytes", bundle.capacityBytes()},
                                  {"Total Non-Empty Bytes", allocatedBytes(bundle.cipherDirectory())}}}};
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
    const std::uint64_t used = allocatedBytes(bundle.cipherDirectory());
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
