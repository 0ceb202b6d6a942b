#pragma once

#include <string>
#include <vector>

#include <stop_token>

// `attach -plist -nobrowse -owners on [-idle SECONDS] -stdinpass PATH`: unlocks the image at PATH
// with the password read from standard input (up to a NUL) and mounts its volume in a private
// folder named after the volume (see MountBase); prints where, as a property list (with -plist)
// or as "dev-entry<TAB>mount-point". With -idle the volume unmounts itself after that many
// seconds without use. An image that is already mounted answers with that mount. A failure exits
// with the AttachExitStatus of its cause (1 for a wrong password) and leaves no mount and no mount
// folder behind; a termination signal ends gocryptfs and everything it started before the exit.
class ImageAttachment
{
public:
    static int run(const std::vector<std::string>& arguments, std::stop_token stop);
};
