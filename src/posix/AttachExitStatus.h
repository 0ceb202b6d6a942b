#pragma once

// How `kovara-hdiutil attach` tells the app why it failed: by its exit status, one for each cause
// the user can act on differently. A refused password exits 1, as the disk-image tool of macOS
// does; the message on standard error says the rest, for the log.
struct AttachExitStatus
{
    static constexpr int wrongPassword = 1;
    // Any cause without a status of its own.
    static constexpr int failed = 2;
    // The volume's configuration (gocryptfs.conf) is missing, damaged, unreadable, or not a
    // regular file of the user's.
    static constexpr int damagedConfiguration = 3;
    // gocryptfs is not installed.
    static constexpr int missingTool = 4;
    // The system refused the FUSE mount (no /dev/fuse, no fusermount3).
    static constexpr int fuseUnavailable = 5;
};
