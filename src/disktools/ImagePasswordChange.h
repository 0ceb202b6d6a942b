#pragma once

#include <string>
#include <vector>

#include <stop_token>

// `chpass -oldstdinpass -newstdinpass PATH`: gives the image at PATH a new password. Standard
// input holds the current password and then the new one, each ended by a NUL. The master key
// stays, so no data is rewritten; an image that is attached stays attached. A wrong current
// password exits with authenticationErrorStatus; every other failure exits 1. However the change
// ends, one of the two passwords opens the image.
class ImagePasswordChange
{
public:
    // macOS's EAUTH ("Authentication error"), so the caller can tell a refused password from a
    // failure to change it.
    static constexpr int authenticationErrorStatus = 80;

    static int run(const std::vector<std::string>& arguments, std::stop_token stop);
};
