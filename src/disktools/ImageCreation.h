#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stop_token>

// `create -size Ng -type SPARSEBUNDLE -fs APFS -volname NAME -encryption AES-256 -stdinpass
// -nospotlight PATH`: makes a new, unattached vault image at PATH with the password read from
// standard input (up to a NUL). PATH must not exist yet. The image is built under a temporary
// name beside PATH and renamed to PATH only when complete: on any failure, an interruption
// included, nothing is left at PATH, and even a create killed outright leaves only a hidden
// temporary folder, which the next create in that folder removes.
class ImageCreation
{
public:
    static int run(const std::vector<std::string>& arguments, std::stop_token stop);

    // "10g" → 10 GiB; the units b, k, m, g and t are accepted in either case. Throws ToolFailure
    // for anything that is not a positive whole size or that overflows.
    static std::uint64_t capacityFrom(const std::string& size);
};
