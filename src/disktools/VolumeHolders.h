#pragma once

#include <string>

#include <sys/types.h>
#include <vector>

// The processes that keep a mounted volume busy: those with a file in it open or mapped, or
// their working or root folder inside it. Only processes whose /proc entries this user may read
// can be named; the others stay unnamed.
class VolumeHolders
{
public:
    struct Holder
    {
        pid_t pid = 0;
        std::string executablePath; // the program's path, or its short name when the path is unreadable
    };

    // In ascending process-id order; the calling process is never listed.
    static std::vector<Holder> of(const std::string& mountPoint);
};
