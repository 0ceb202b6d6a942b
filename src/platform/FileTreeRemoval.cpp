#include "platform/FileTreeRemoval.h"

#include "platform/DirectoryNames.h"
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QFile>

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
    std::vector<QByteArray> children;
    bool removedAll = readDirectoryNames(directory.get(), children);
    for (const QByteArray& child : children) {
        removedAll = removeEntry(directory.get(), child.constData()) && removedAll;
    }
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 && removedAll;
}

} // namespace

bool removeFileTree(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    return removeEntry(AT_FDCWD, encoded.constData());
}
