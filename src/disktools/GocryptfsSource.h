#pragma once

#include <string>
#include <vector>

// Maps a gocryptfs mount back to what it serves. gocryptfs names each mount after the absolute
// path of its cipher folder (mountinfo's source field, whose octal escapes MountTable undoes),
// with every "," replaced by "_" because the kernel's mount options are a comma-separated list,
// and fusermount3 drops a backslash as the escape of the character after it. The spelling alone
// can therefore stand for several folders ("a_b" for "a_b", "a,b" and "a\_b"), and it is chosen
// by whoever mounts, so it only says where to look: which folder really is served is for the
// volume itself to prove.
class GocryptfsSource
{
public:
    // Every existing path the source can stand for, the literal path first; none when the
    // source is not an absolute path or names nothing on disk.
    static std::vector<std::string> cipherDirectories(const std::string& source);
};
