#pragma once

// Opens the entry `name` of the open folder `folder` for reading a source the user chose:
// never through a symbolic link (O_NOFOLLOW), and without changing even its access time
// (O_NOATIME, which the kernel grants only on the user's own files; others are opened
// normally). Returns the descriptor, or -1 with errno set.
int openSourceEntry(int folder, const char* name, int flags);
