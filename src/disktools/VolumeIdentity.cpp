#include "disktools/VolumeIdentity.h"

#include "posix/IndexingMarker.h"
#include "posix/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace {

// gocryptfs keeps inode numbers of its own folder's file system in their low 48 bits (the high
// bits tell other file systems apart).
constexpr ino_t passedThroughBits = (ino_t(1) << 48) - 1;

bool isDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool isDisconnection(int error)
{
    return error == ENOTCONN || error == ECONNABORTED;
}

// Walks the entries of an open folder (other than "." and ".."); `visit` returns true to stop.
// False when the folder could not be read; the fd is consumed either way.
bool forEachEntry(UniqueFd folder, auto&& visit)
{
    DIR* directory = ::fdopendir(folder.get());
    if (!directory) {
        return false;
    }
    folder.release();
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        if (!isDotEntry(entry->d_name) && visit(*entry)) {
            break;
        }
    }
    const int error = errno;
    ::closedir(directory);
    errno = error;
    return error == 0;
}

} // namespace

VolumeIdentity::Verdict VolumeIdentity::compare(const std::string& mountPoint, const std::string& cipherDirectory)
{
    UniqueFd root(::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.isValid()) {
        return isDisconnection(errno) ? Verdict::disconnected : Verdict::different;
    }
    const int rootFd = root.get();
    std::optional<ino_t> probe;
    int probeError = 0;
    const auto probeEntry = [&](const char* name) {
        struct stat status
        {
        };
        if (::fstatat(rootFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            probeError = errno;
        } else {
            probe = status.st_ino;
        }
    };
    // A vault Kovara has unlocked holds the privacy marker at its root: one lookup of that name
    // spares listing a root of thousands of entries, every one of whose names gocryptfs would
    // decrypt. Without it, the first entry listed serves.
    probeEntry(privacyMarkerName);
    bool listed = true;
    if (probeError == ENOENT) {
        probeError = 0;
        listed = forEachEntry(std::move(root), [&](const dirent& entry) {
            probeEntry(entry.d_name);
            return true;
        });
    }
    if (!listed || probeError != 0) {
        return isDisconnection(listed ? probeError : errno) ? Verdict::disconnected : Verdict::different;
    }

    UniqueFd cipher(::open(cipherDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    bool matched = false;
    bool holdsContent = false;
    const bool cipherListed = cipher.isValid() && forEachEntry(std::move(cipher), [&](const dirent& entry) {
                                  const bool ownFile = std::strcmp(entry.d_name, "gocryptfs.conf") == 0 ||
                                                       std::strcmp(entry.d_name, "gocryptfs.diriv") == 0;
                                  holdsContent = holdsContent || !ownFile;
                                  matched = probe && ((entry.d_ino ^ *probe) & passedThroughBits) == 0;
                                  return matched;
                              });
    if (!cipherListed) {
        return Verdict::different;
    }
    return (probe ? matched : !holdsContent) ? Verdict::same : Verdict::different;
}
