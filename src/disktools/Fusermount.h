#pragma once

#include <stop_token>
#include <string>

// Unmounting a FUSE volume with fusermount3.
class Fusermount
{
public:
    static constexpr const char* executable = "/usr/bin/fusermount3";

    enum class Outcome {
        unmounted,
        busy,
        failed
    };

    struct Result
    {
        Outcome outcome = Outcome::failed;
        std::string message; // fusermount3's own message when it failed
    };

    // `lazy` detaches the volume at once even while files in it are open (fusermount3 -u -z);
    // it is released when the last of them closes. Throws ToolFailure when fusermount3 cannot run.
    static Result unmount(const std::string& mountPoint, bool lazy, std::stop_token stop);

    // Replaces this process with `fusermount3 -u -- mountPoint`, whose exit status and messages
    // then become this process's own. Returns only when fusermount3 could not be started. The
    // calling process must have no other thread (exec would first have to end it) and must not
    // hold anything it still has to undo.
    static void becomeUnmount(const std::string& mountPoint);
};
