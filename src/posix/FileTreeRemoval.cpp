#include "posix/FileTreeRemoval.h"

#include "posix/DirectoryNames.h"
#include "posix/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Make the directory ours to empty, empty it, then remove it.
    ::fchmodat(parent, name, 0700, 0);
    UniqueFd directory(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
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
