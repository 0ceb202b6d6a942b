#include "platform/SourceEntry.h"

#include <cerrno>
#include <fcntl.h>

int openSourceEntry(int folder, const char* name, int flags)
{
    const int descriptor = ::openat(folder, name, flags | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor >= 0 || errno != EPERM) {
        return descriptor;
    }
    return ::openat(folder, name, flags | O_NOFOLLOW | O_CLOEXEC);
}
