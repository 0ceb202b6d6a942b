#pragma once

// The desktop's default application for folders, as the freedesktop mimeapps.list files choose
// it. Kovara must never hand a folder to itself: it would offer to import it into a vault.
namespace DefaultFolderHandler {

// True when the default for folders ("inode/directory") is Kovara's own desktop entry. With no
// default chosen, the desktop picks among the entries that declare folders, which Kovara's
// does not.
bool isKovara();

} // namespace DefaultFolderHandler
