#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

// Replaces a file's contents in one rename, so a reader sees the old or the new contents and
// never a half-written file; the data is flushed to disk before the rename.
class AtomicFile
{
public:
    // Throws the POSIX error (with the path as context) when any step fails; the temporary file
    // is removed then.
    static void write(const std::string& path, std::string_view contents, mode_t mode);
};
