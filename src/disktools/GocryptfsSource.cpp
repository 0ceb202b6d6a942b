#include "disktools/GocryptfsSource.h"

#include "disktools/FilePath.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// A path whose every component is ambiguous would multiply the candidates; past this many the
// rest are not looked at.
constexpr std::size_t maximumCandidates = 16;

bool exists(const std::string& path)
{
    struct stat status = {};
    return ::lstat(path.c_str(), &status) == 0;
}

bool matchesMangled(const std::string& candidate, const std::string& mangled)
{
    if (candidate.size() != mangled.size()) {
        return false;
    }
    for (std::size_t i = 0; i < mangled.size(); ++i) {
        if (candidate[i] != mangled[i] && !(mangled[i] == '_' && candidate[i] == ',')) {
            return false;
        }
    }
    return true;
}

// The entries of `folder`, other than `mangled` itself, that the mangled name can stand for.
std::vector<std::string> unmangledEntries(const std::string& folder, const std::string& mangled)
{
    std::vector<std::string> found;
    for (std::string& name : FilePath::entriesOf(folder)) {
        if (name != mangled && matchesMangled(name, mangled)) {
            found.push_back(std::move(name));
        }
    }
    // In name order, as a listing would show them, whatever order the folder keeps.
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

} // namespace

std::vector<std::string> GocryptfsSource::cipherDirectories(const std::string& source)
{
    if (!source.starts_with('/')) {
        return {};
    }
    std::vector<std::string> paths{std::string()};
    for (const std::string& component : components(source)) {
        std::vector<std::string> next;
        for (const std::string& folder : paths) {
            if (std::string literal = FilePath::join(folder, component); exists(literal)) {
                next.push_back(std::move(literal));
            }
            if (component.find('_') != std::string::npos) {
                for (const std::string& entry : unmangledEntries(folder.empty() ? "/" : folder, component)) {
                    next.push_back(FilePath::join(folder, entry));
                }
            }
        }
        if (next.size() > maximumCandidates) {
            next.resize(maximumCandidates);
        }
        paths = std::move(next);
        if (paths.empty()) {
            return {};
        }
    }
    return paths;
}
