#pragma once

#include <string>

// Whether the volume mounted at a mount point is the gocryptfs volume of a given cipher folder,
// judged by what the mount serves rather than by the name it was given: gocryptfs passes the
// inode numbers of the cipher folder's entries through to the entries it shows, so an entry of
// the mounted root must be one of that folder's entries. An empty root matches only a cipher
// folder with nothing in it but gocryptfs's own files. Reads the mount, so callers ask only
// about mounts this user made.
class VolumeIdentity
{
public:
    enum class Verdict {
        same,
        different,
        // The mount no longer answers (its daemon is gone): ENOTCONN or ECONNABORTED.
        disconnected,
    };

    static Verdict compare(const std::string& mountPoint, const std::string& cipherDirectory);
};
