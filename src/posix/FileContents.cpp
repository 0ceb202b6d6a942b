#include "posix/FileContents.h"

#include "posix/UniqueFd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::optional<std::string> FileContents::read(const std::string& path, std::size_t maximumBytes)
{
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.isValid()) {
        return std::nullopt;
    }
    std::string contents;
    std::array<char, std::size_t{64} * 1024> chunk;
    while (contents.size() < maximumBytes) {
        const ssize_t count = ::read(fd.get(), chunk.data(), std::min(chunk.size(), maximumBytes - contents.size()));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        contents.append(chunk.data(), std::size_t(count));
    }
    return contents;
}
