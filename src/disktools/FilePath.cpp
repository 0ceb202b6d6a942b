#include "disktools/FilePath.h"

#include "posix/DirectoryNames.h"
#include "posix/UniqueFd.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <unistd.h>

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

// Cleaned by hand rather than with std::filesystem, whose path type brings the C++ locales and,
// through them, the C library's character-set conversion and dynamic loading into the stand-ins:
// code a static program should not carry.
std::string FilePath::absoluteClean(const std::string& path)
{
    std::string whole = path;
    if (!path.starts_with('/')) {
        const std::unique_ptr<char, decltype(&std::free)> workingFolder(::getcwd(nullptr, 0), &std::free);
        if (!workingFolder) {
            return path; // the working folder is gone: a relative path names nothing anyway
        }
        whole = join(workingFolder.get(), path);
    }
    std::vector<std::string_view> components;
    for (std::string_view rest = whole; !rest.empty();) {
        const std::string_view component = rest.substr(0, rest.find('/'));
        rest.remove_prefix(std::min(component.size() + 1, rest.size()));
        if (component == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
    }
    std::string clean;
    for (const std::string_view component : components) {
        clean.append(1, '/').append(component);
    }
    return clean.empty() ? "/" : clean;
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
