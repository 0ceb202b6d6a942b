#include "posix/FileTreeRemoval.h"

#include "posix/DirectoryNames.h"
#include "posix/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

bool removeEntry(int parent, const char* name)
{
    if (::unlinkat(parent, name, 0) == 0) {
        return true;
    }
    // Linux answers EISDIR for a real directory (a link to one is unlinked above).
    if (errno != EISDIR) {
        return false;
    }
    // Make the directory ours to empty, empty it, then remove it. It is pinned first by a
    // descriptor taken without following a link, and both the mode change and the listing go
    // through that descriptor: a link swapped in under the same name meanwhile is never followed
    // (chmod by name would change the mode of whatever the link points to).
    const UniqueFd pinned(::openat(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status = {};
    if (!pinned.isValid() || ::fstat(pinned.get(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    if ((status.st_mode & S_IRWXU) != S_IRWXU) {
        // A path descriptor cannot be given to fchmod; its /proc entry reaches the very same
        // directory, whatever its name now holds.
        ::chmod(("/proc/self/fd/" + std::to_string(pinned.get())).c_str(), 0700);
    }
    UniqueFd directory(::openat(pinned.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isValid()) {
        return false;
    }
    std::vector<std::string> children;
    bool removedAll = readDirectoryNames(directory.get(), children);
    for (const std::string& child : children) {
        removedAll = removeEntry(directory.get(), child.c_str()) && removedAll;
    }
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 && removedAll;
}

} // namespace

bool removeFileTree(const std::string& path)
{
    return removeEntry(AT_FDCWD, path.c_str());
}
