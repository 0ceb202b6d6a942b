#include "disktools/VolumeHolders.h"

#include "disktools/FilePath.h"
#include "posix/FileContents.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <unistd.h>

namespace {

std::string linkTarget(const std::string& link)
{
    std::array<char, PATH_MAX> target;
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || std::size_t(length) >= target.size()) {
        return {};
    }
    return std::string(target.data(), std::size_t(length));
}

class VolumeTest
{
public:
    explicit VolumeTest(const std::string& mountPoint) : mountPoint_(mountPoint), prefix_(mountPoint + '/') {}

    bool contains(const std::string& path) const { return path == mountPoint_ || path.starts_with(prefix_); }

private:
    std::string mountPoint_;
    std::string prefix_;
};

bool anyOpenFileInside(const std::string& processFolder, const VolumeTest& volume)
{
    const std::string fdFolder = processFolder + "/fd";
    const std::vector<std::string> descriptors = FilePath::entriesOf(fdFolder);
    return std::any_of(descriptors.begin(), descriptors.end(),
                       [&](const std::string& fd) { return volume.contains(linkTarget(fdFolder + '/' + fd)); });
}

bool anyMappingInside(const std::string& processFolder, const VolumeTest& volume)
{
    const std::string maps = FileContents::read(processFolder + "/maps").value_or("");
    // "address perms offset device inode path" per line: only the path contains a "/".
    for (std::size_t start = 0; start < maps.size();) {
        const std::size_t end = std::min(maps.find('\n', start), maps.size());
        const std::size_t slash = maps.find('/', start);
        if (slash < end && volume.contains(maps.substr(slash, end - slash))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string executableOf(const std::string& processFolder)
{
    std::string path = linkTarget(processFolder + "/exe");
    if (path.ends_with(" (deleted)")) {
        path.resize(path.size() - (sizeof(" (deleted)") - 1));
    }
    if (!path.empty()) {
        return path;
    }
    std::string name = FileContents::read(processFolder + "/comm", 256).value_or("");
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) {
        name.pop_back();
    }
    return name;
}

} // namespace

std::vector<VolumeHolders::Holder> VolumeHolders::of(const std::string& mountPoint)
{
    const VolumeTest volume(mountPoint);
    std::vector<Holder> holders;
    const pid_t self = ::getpid();
    for (const std::string& name : FilePath::entriesOf("/proc")) {
        pid_t pid = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (error != std::errc() || end != name.data() + name.size() || pid == self) {
            continue;
        }
        const std::string folder = "/proc/" + name;
        if (volume.contains(linkTarget(folder + "/cwd")) || volume.contains(linkTarget(folder + "/root")) ||
            anyOpenFileInside(folder, volume) || anyMappingInside(folder, volume)) {
            holders.push_back({pid, executableOf(folder)});
        }
    }
    std::sort(holders.begin(), holders.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
    return holders;
}
