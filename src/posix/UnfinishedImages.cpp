#include "posix/UnfinishedImages.h"

#include "posix/DirectoryNames.h"
#include "posix/FileTreeRemoval.h"
#include "posix/PosixCategory.h"
#include "posix/UniqueFd.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace {

constexpr std::string_view marker = ".kovara-incompleto-";

// 128 random bits as 32 lower-case hex digits: two creates never pick the same name.
std::string randomIdentifier(const std::string& finalPath)
{
    std::array<std::uint8_t, 16> bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw std::system_error(errno, posixCategory(), finalPath);
        }
        filled += std::size_t(count);
    }
    constexpr std::string_view digits = "0123456789abcdef";
    std::string identifier;
    for (const std::uint8_t byte : bytes) {
        identifier += digits[byte >> 4];
        identifier += digits[byte & 0xf];
    }
    return identifier;
}

} // namespace

std::string UnfinishedImages::temporaryPathFor(const std::string& finalPath)
{
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "./" : finalPath.substr(0, slash + 1);
    return folder + std::string(marker) + randomIdentifier(finalPath);
}

void UnfinishedImages::removeAbandoned(const std::string& folder)
{
    const UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> names;
    if (!directory.isValid() || !readDirectoryNames(directory.get(), names)) {
        return;
    }
    const std::string prefix = folder + '/';
    for (const std::string& name : names) {
        if (!name.starts_with(marker)) {
            continue;
        }
        // O_NOFOLLOW: only a real folder is ever removed; the lock tells a live create from a dead one.
        const UniqueFd candidate(
            ::openat(directory.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (candidate.isValid() && ::flock(candidate.get(), LOCK_EX | LOCK_NB) == 0) {
            removeFileTree(prefix + name);
        }
    }
}
