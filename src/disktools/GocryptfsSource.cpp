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

// How a name inside a path reaches the mount table: gocryptfs writes "_" for ",", and fusermount3
// reads its -o options with a backslash escaping the character after it, so that backslash is
// dropped (a doubled one leaves one).
std::string spelledInMountTable(const std::string& name)
{
    std::string spelled;
    spelled.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 1 < name.size()) {
            ++i;
        }
        spelled.push_back(name[i] == ',' ? '_' : name[i]);
    }
    return spelled;
}

// The entries of `folder`, other than `spelled` itself, that the spelling can stand for.
std::vector<std::string> entriesSpelled(const std::string& folder, const std::string& spelled)
{
    std::vector<std::string> found;
    for (std::string& name : FilePath::entriesOf(folder)) {
        if (name != spelled && spelledInMountTable(name) == spelled) {
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
            std::string literal = FilePath::join(folder, component);
            // A name with a backslash leaves no mark in the spelling; one that is not there as
            // spelled is looked for among the folder's entries.
            const bool literalExists = exists(literal);
            if (literalExists) {
                next.push_back(std::move(literal));
            }
            if (!literalExists || component.find('_') != std::string::npos) {
                for (const std::string& entry : entriesSpelled(folder.empty() ? "/" : folder, component)) {
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
