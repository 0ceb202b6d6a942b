#pragma once

#include "posix/SecretBytes.h"

#include <optional>
#include <string_view>

// A vault's recovery key: its gocryptfs master key, 32 bytes written as 64 hexadecimal digits.
// People copy it by hand in groups, so dashes and white space between the digits are ignored and
// upper-case digits accepted. The digits live only in wiped buffers.
class RecoveryKey
{
public:
    static constexpr std::size_t digitCount = 64;

    // None unless `text` holds exactly 64 hexadecimal digits besides dashes and white space.
    static std::optional<RecoveryKey> fromText(std::string_view text);

    // Reads up to the first NUL on `fd` (or its end); what follows stays unread. Throws ToolFailure
    // when the input cannot be read or is not a key.
    static RecoveryKey readNulTerminated(int fd);

    // The 64 lower-case digits.
    std::string_view digits() const { return digits_.view(); }
    // The line gocryptfs reads as a master key: the digits and a newline.
    SecretBytes gocryptfsLine() const;

private:
    explicit RecoveryKey(SecretBytes digits) : digits_(std::move(digits)) {}

    SecretBytes digits_;
};
