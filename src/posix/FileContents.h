#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>

// Reading a small file whole (a configuration, a /proc entry).
class FileContents
{
public:
    // The file's first `maximumBytes` bytes (all of it when shorter); none, with errno telling
    // why, when it cannot be opened or read.
    static std::optional<std::string> read(const std::string& path,
                                           std::size_t maximumBytes = std::numeric_limits<std::size_t>::max());
};
