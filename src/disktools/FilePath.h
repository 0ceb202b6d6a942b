#pragma once

#include <string>
#include <vector>

// The few path operations the stand-ins need, on paths as the file system's bytes.
class FilePath
{
public:
    // `folder` + "/" + `name`, without doubling a slash after the root.
    static std::string join(const std::string& folder, const std::string& name);
    // The folder holding `path`: "/a/b" → "/a", "/a" → "/", "b" → ".".
    static std::string parent(const std::string& path);
    // The last component: "/a/b" → "b".
    static std::string fileName(const std::string& path);
    // Absolute (against the working folder) and cleaned of ".", ".." and repeated or trailing
    // slashes, without looking at the file system: a mount point is compared as it was given.
    static std::string absoluteClean(const std::string& path);
    // Every symbolic link resolved; empty when the path does not lead to an existing item.
    static std::string canonical(const std::string& path);
    // The names in a folder (not "." and ".."), in the file system's order; none when it cannot
    // be read.
    static std::vector<std::string> entriesOf(const std::string& folder);
};
