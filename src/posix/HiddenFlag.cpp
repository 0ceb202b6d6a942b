#include "posix/HiddenFlag.h"

#include "posix/AtomicFile.h"
#include "posix/FolderLock.h"
#include "posix/PosixCategory.h"
#include "posix/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

struct ItemLocation
{
    std::string folder;
    std::string listPath;
    std::string name;
};

ItemLocation locate(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    ItemLocation item;
    if (slash == std::string::npos) {
        item = {".", HiddenFlag::listFileName, path};
    } else {
        item = {slash == 0 ? "/" : path.substr(0, slash), path.substr(0, slash + 1) + HiddenFlag::listFileName,
                path.substr(slash + 1)};
    }
    // A line of the list holds one name, so a name with a line break cannot be listed.
    if (item.name.empty() || item.name == "." || item.name == ".." || item.name.find('\n') != std::string::npos) {
        throw std::system_error(EINVAL, posixCategory(), path);
    }
    return item;
}

// Reads the list as raw lines; a missing list is an empty one.
std::vector<std::string> readList(const std::string& listPath)
{
    const UniqueFd list(::open(listPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!list.isValid()) {
        if (errno == ENOENT) {
            return {};
        }
        throw std::system_error(errno, posixCategory(), listPath);
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(list.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw std::system_error(errno, posixCategory(), listPath);
        }
        if (count == 0) {
            break;
        }
        content.append(buffer, std::size_t(count));
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = content.find('\n'); end != std::string::npos; end = content.find('\n', start)) {
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(content.substr(start));
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

// An empty list is removed rather than left behind as an empty file.
void writeList(const std::string& listPath, const std::vector<std::string>& lines)
{
    if (lines.empty()) {
        if (::unlink(listPath.c_str()) != 0 && errno != ENOENT) {
            throw std::system_error(errno, posixCategory(), listPath);
        }
        return;
    }
    std::string content;
    for (const std::string& line : lines) {
        content += line;
        content += '\n';
    }
    AtomicFile::write(listPath, content, 0644);
}

bool contains(const std::vector<std::string>& lines, const std::string& name)
{
    return std::find(lines.cbegin(), lines.cend(), name) != lines.cend();
}

} // namespace

void HiddenFlag::set(const std::string& path, bool hidden)
{
    const ItemLocation item = locate(path);
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0) {
        throw std::system_error(errno, posixCategory(), path);
    }
    // The app and the chflags stand-in may both edit one folder's list.
    const FolderLock lock(item.folder);
    std::vector<std::string> lines = readList(item.listPath);
    if (hidden == contains(lines, item.name)) {
        return;
    }
    if (hidden) {
        lines.push_back(item.name);
    } else {
        std::erase(lines, item.name);
    }
    writeList(item.listPath, lines);
}

bool HiddenFlag::isSet(const std::string& path)
{
    const ItemLocation item = locate(path);
    return contains(readList(item.listPath), item.name);
}
