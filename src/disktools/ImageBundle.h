#pragma once

#include "posix/FolderLock.h"

#include <cstdint>
#include <string>

// A vault image on Linux: a folder (named like a macOS sparse bundle) holding a gocryptfs
// cipher folder and a small property list with the volume's name and capacity. The cipher
// folder is an ordinary gocryptfs volume, so the image can also be opened by hand with
// gocryptfs and the hex form of the password.
class ImageBundle
{
public:
    static constexpr const char* cipherFolderName = "cipher";
    static constexpr const char* metadataFileName = "Info.plist";

    // Opens an existing image. The folder and its cipher folder must be real folders (a
    // symbolic link is refused) and the metadata readable. Throws ToolFailure otherwise.
    static ImageBundle open(const std::string& path);

    static void writeMetadata(const std::string& bundlePath, const std::string& volumeName,
                              std::uint64_t capacityBytes);

    // True when `folder` holds an image's metadata file (looked at without following links).
    static bool holdsMetadata(const std::string& folder);

    // The image's path with symbolic links resolved.
    const std::string& path() const { return path_; }
    std::string cipherDirectory() const;
    // Waits until no other stand-in attaches the image or changes its password, and keeps them
    // waiting while the lock lives. Throws ToolFailure naming the image when it cannot be locked.
    FolderLock lock() const;
    const std::string& volumeName() const { return volumeName_; }
    std::uint64_t capacityBytes() const { return capacityBytes_; }

private:
    ImageBundle() = default;

    std::string path_;
    std::string volumeName_;
    std::uint64_t capacityBytes_ = 0;
};
