#pragma once

#include <string>
#include <vector>

#include <stop_token>

// The recovery key of an image: reading it with the password, and giving the image a new
// password with it when the password is lost.
//
// `showkey -stdinpass PATH` prints the key (64 hexadecimal digits) read with the NUL-terminated
// password on standard input; a wrong password exits with authenticationErrorStatus.
// `resetpass -stdinkey -newstdinpass PATH` reads the key and then the new password, each ended by
// a NUL. The key is proven against the image's own contents before anything is written: a key
// that does not open them exits with authenticationErrorStatus and changes nothing. The old
// password stops working; the data stays as it is.
class ImageKeyRecovery
{
public:
    static constexpr int authenticationErrorStatus = 80;

    static int runShowKey(const std::vector<std::string>& arguments, std::stop_token stop);
    static int runResetPassword(const std::vector<std::string>& arguments, std::stop_token stop);
};
