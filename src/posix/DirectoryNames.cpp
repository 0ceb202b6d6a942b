#include "posix/DirectoryNames.h"

#include <cerrno>
#include <dirent.h>
#include <string_view>
#include <unistd.h>

bool readDirectoryNames(int directory, std::vector<std::string>& names)
{
    const int duplicate = ::dup(directory);
    if (duplicate < 0) {
        return false;
    }
    DIR* stream = ::fdopendir(duplicate);
    if (stream == nullptr) {
        const int failure = errno;
        ::close(duplicate);
        errno = failure;
        return false;
    }
    ::rewinddir(stream);
    names.clear();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (entry == nullptr) {
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    const int failure = errno;
    ::closedir(stream);
    errno = failure;
    return failure == 0;
}
