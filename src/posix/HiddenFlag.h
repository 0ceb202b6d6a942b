#pragma once

#include <string>

// The hidden flag of a file or folder, as Linux file managers understand it: the item's name on
// a line of the `.hidden` file in its parent folder. Dot-files are hidden anyway; this marks
// items whose names must stay as they are (a vault image, the storage folder).
class HiddenFlag
{
public:
    // Adds or removes the item's line; other lines are kept in their order. The item must exist
    // (it is looked at without following a symbolic link). Failures are thrown as POSIX errors
    // naming the path they are about.
    static void set(const std::string& path, bool hidden);

    static bool isSet(const std::string& path);

    static constexpr const char* listFileName = ".hidden";
};
