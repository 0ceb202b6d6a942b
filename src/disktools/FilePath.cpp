#include "disktools/FilePath.h"

#include "platform/DirectoryNames.h"
#include "platform/UniqueFd.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>

std::string FilePath::join(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

std::string FilePath::parent(const std::string& path)
{
    const std::string clean = path.size() > 1 && path.ends_with('/') ? path.substr(0, path.size() - 1) : path;
    const std::size_t slash = clean.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : clean.substr(0, slash);
}

std::string FilePath::fileName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FilePath::absoluteClean(const std::string& path)
{
    std::error_code ignored;
    std::string clean = std::filesystem::absolute(path, ignored).lexically_normal().string();
    while (clean.size() > 1 && clean.ends_with('/')) {
        clean.pop_back();
    }
    return clean;
}

std::string FilePath::canonical(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::vector<std::string> FilePath::entriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    const UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isValid() || !readDirectoryNames(directory.get(), names)) {
        names.clear();
    }
    return names;
}
