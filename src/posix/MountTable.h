#pragma once

#include "posix/MountInfoEntry.h"

#include <string>
#include <string_view>
#include <vector>

// The mounts this process sees, read from /proc/self/mountinfo: the system's own record, so
// neither the app nor the disk-image tools keep a list of their own that could disagree with it.
class MountTable
{
public:
    // Throws std::system_error ("Não foi possível ler a lista de montagens: <reason>") when the
    // table cannot be read.
    static MountTable read();
    static MountTable parse(std::string_view text);

    // The kernel writes a space, tab, newline and backslash in a field as a backslash and three
    // octal digits ("\040"); this undoes that. Anything else is kept as it is.
    static std::string decodeField(std::string_view field);

    const std::vector<MountInfoEntry>& entries() const { return entries_; }

private:
    std::vector<MountInfoEntry> entries_;
};
