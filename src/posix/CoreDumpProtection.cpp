#include "posix/CoreDumpProtection.h"

#include <sys/prctl.h>
#include <sys/resource.h>

void CoreDumpProtection::apply()
{
    // Neither call fails for a process lowering its own limits; were one to, the other still holds.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}
