#pragma once

#include "posix/UniqueFd.h"

#include <string>

// The private folder under which attached vaults are mounted, one folder per volume. It must
// belong to the user and be closed to everyone else, and it is never reached through a symbolic
// link, so nobody else can see into a vault or steer where it gets mounted.
class MountBase
{
public:
    // $XDG_RUNTIME_DIR/kovara when the variable names an absolute path, else /tmp/kovara-<uid>.
    static std::string defaultLocation();

    // Creates the folder with mode 0700 when missing; an existing one must be a real folder (not
    // a link) owned by this user with mode 0700. Throws ToolFailure otherwise.
    static MountBase prepare(const std::string& location);

    // Creates a new empty folder for a volume, named after it; on a clash "NAME 1", "NAME 2", …
    // Empty folders earlier volumes left behind, which nothing is mounted on, are removed first,
    // so such a folder's name is taken again.
    std::string claimFolder(const std::string& volumeName) const;

    // Removes the folder a volume was mounted on once the volume has left it, when it is one of
    // the default base's folders (a volume mounted by hand elsewhere keeps its folder), and with
    // it every other empty folder of the base that nothing is mounted on: a volume that
    // unmounted itself, or a mount ended by a crash, leaves its folder behind.
    static void releaseFolder(const std::string& mountPoint);

    // The volume name made fit for a folder name: no "/", no control characters, not "." or
    // "..", at most 200 bytes.
    static std::string folderNameFor(const std::string& volumeName);

    // The base at `location` opened without following a link, when it is this user's private
    // folder (owned by the user, mode 0700); an invalid descriptor otherwise.
    static UniqueFd openPrivate(const std::string& location);

    const std::string& path() const { return path_; }

private:
    static void removeEmptyFolders(const std::string& location);

    explicit MountBase(std::string path) : path_(std::move(path)) {}

    std::string path_;
};
