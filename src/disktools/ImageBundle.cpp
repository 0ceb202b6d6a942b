#include "disktools/ImageBundle.h"

#include "disktools/FilePath.h"
#include "disktools/PropertyList.h"
#include "disktools/ToolFailure.h"
#include "posix/AtomicFile.h"
#include "posix/FileContents.h"
#include "posix/PosixCategory.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace {

constexpr std::size_t maximumMetadataBytes = std::size_t{64} * 1024;
constexpr std::uint64_t metadataFormat = 1;

// lstat's file type, or the errno that kept it from answering.
struct EntryKind
{
    int error = 0;
    mode_t type = 0;
};

EntryKind kindOf(const std::string& path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0) {
        return {errno, 0};
    }
    return {0, status.st_mode & S_IFMT};
}

void requireRealDirectory(const std::string& path, const std::string& what)
{
    const EntryKind kind = kindOf(path);
    if (kind.error != 0) {
        throw ToolFailure(path + ": " + posixCategory().message(kind.error));
    }
    if (kind.type != S_IFDIR) {
        throw ToolFailure(path + ": " + what + " não é um diretório real.");
    }
}

[[noreturn]] void unreadableMetadata(const std::string& bundlePath)
{
    throw ToolFailure(bundlePath + ": os dados da imagem estão ilegíveis ou incompletos.");
}

} // namespace

ImageBundle ImageBundle::open(const std::string& path)
{
    requireRealDirectory(path, "a imagem");
    ImageBundle bundle;
    bundle.path_ = FilePath::canonical(path);
    if (bundle.path_.empty()) {
        throw ToolFailure(path + ": " + posixCategory().message(ENOENT));
    }
    requireRealDirectory(bundle.cipherDirectory(), "a pasta cifrada da imagem");

    const std::string metadataPath = FilePath::join(bundle.path_, metadataFileName);
    if (kindOf(metadataPath).type != S_IFREG) {
        unreadableMetadata(path);
    }
    const std::optional<std::string> metadata = FileContents::read(metadataPath, maximumMetadataBytes);
    const std::optional<PropertyList> list = metadata ? PropertyList::fromXml(*metadata) : std::nullopt;
    if (!list) {
        unreadableMetadata(path);
    }
    const std::optional<std::string> volumeName = list->text("volume-name");
    const std::optional<std::uint64_t> capacity = list->unsignedInteger("capacity-bytes");
    if (!volumeName || volumeName->empty() || !capacity) {
        unreadableMetadata(path);
    }
    bundle.volumeName_ = *volumeName;
    bundle.capacityBytes_ = *capacity;
    return bundle;
}

void ImageBundle::writeMetadata(const std::string& bundlePath, const std::string& volumeName,
                                std::uint64_t capacityBytes)
{
    const PropertyList metadata = PropertyList::Dictionary{{"kovara-image-format", metadataFormat},
                                                           {"volume-name", volumeName},
                                                           {"capacity-bytes", capacityBytes},
                                                           {"encryption", "gocryptfs AES-256-GCM, scrypt"}};
    const std::string metadataPath = FilePath::join(bundlePath, metadataFileName);
    try {
        AtomicFile::write(metadataPath, metadata.toXml(), 0600);
    } catch (const std::system_error& error) {
        throw ToolFailure(metadataPath + ": " + error.code().message());
    }
}

bool ImageBundle::holdsMetadata(const std::string& folder)
{
    return kindOf(FilePath::join(folder, metadataFileName)).type == S_IFREG;
}

std::string ImageBundle::cipherDirectory() const
{
    return FilePath::join(path_, cipherFolderName);
}

FolderLock ImageBundle::lock() const
{
    try {
        return FolderLock(path_);
    } catch (const std::system_error& error) {
        throw ToolFailure(path_ + ": " + error.code().message());
    }
}
