#pragma once

#include <QString>

// The hidden flag of a file or folder, as Linux file managers understand it: the item's name on
// a line of the `.hidden` file in its parent folder. Dot-files are hidden anyway; this marks
// items whose names must stay as they are (a vault image, the storage folder).
class HiddenFlag
{
public:
    // Adds or removes the item's line; other lines are kept in their order. The item must exist
    // (it is looked at without following a symbolic link). Failures are thrown as POSIX errors.
    static void set(const QString& path, bool hidden);

    static bool isSet(const QString& path);

    static constexpr const char* listFileName = ".hidden";
};
