#pragma once

#include "posix/SecretBytes.h"
#include "posix/VaultPasswordLimit.h"

#include <cstddef>

// A vault password as the stand-ins receive it: the bytes before the first NUL on standard
// input, exactly as the app sent them (any bytes at all, line breaks included).
class VaultPassword
{
public:
    static constexpr std::size_t maximumBytes = vaultPasswordMaximumBytes;

    // Reads up to the first NUL (or the end of input); what follows the NUL stays unread, for the
    // next password. Throws ToolFailure when the password is longer than `maximumBytes` or the
    // input cannot be read.
    static VaultPassword readNulTerminated(int fd);

    bool isEmpty() const { return bytes_.isEmpty(); }

    // The one line gocryptfs reads as its password: the password bytes as lower-case hex
    // followed by a newline. gocryptfs stops at the first newline, so handing it the raw bytes
    // would cut a password that holds one; the hex form keeps every byte and is used both when
    // the image is created and when it is mounted.
    SecretBytes gocryptfsLine() const;

private:
    explicit VaultPassword(SecretBytes bytes) : bytes_(std::move(bytes)) {}

    SecretBytes bytes_;
};
