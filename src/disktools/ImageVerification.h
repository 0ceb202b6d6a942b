#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stop_token>

// `verify -plist -stdinpass PATH`: reads the whole image with the NUL-terminated password on
// standard input (gocryptfs -fsck) and prints a property list: "damaged-count" (the items found
// damaged), "damaged-items" (their paths inside the volume, decrypted, in the order found;
// a name that no longer decrypts is given by its folder) and "skipped-count". Nothing in the
// image is changed. A wrong password exits with authenticationErrorStatus.
class ImageVerification
{
public:
    static constexpr int authenticationErrorStatus = 80;

    static int run(const std::vector<std::string>& arguments, std::stop_token stop);

    struct Findings
    {
        std::uint64_t damagedCount = 0;
        std::uint64_t skippedCount = 0;
        std::vector<std::string> damagedItems;
    };

    // gocryptfs's report, one line per finding with the path quoted as Go quotes strings, and a
    // closing summary that counts every damaged item (including some it names on no line).
    static Findings findingsFrom(const std::string& report);
};
