#pragma once

#include "disktools/MountInfoEntry.h"

#include <string>
#include <string_view>
#include <vector>

// The mounts this process sees, read from /proc/self/mountinfo: the system's own record, so the
// stand-ins never keep a list of their own that could disagree with it.
class MountTable
{
public:
    static MountTable read();
    static MountTable parse(std::string_view text);

    // The kernel writes a space, tab, newline and backslash in a field as a backslash and three
    // octal digits ("\040"); this undoes that. Anything else is kept as it is.
    static std::string decodeField(std::string_view field);

    const std::vector<MountInfoEntry>& entries() const { return entries_; }

private:
    std::vector<MountInfoEntry> entries_;
};
