#pragma once

#include <string>

// Removes the entry at `path` and, for a real directory, everything below it, without following
// any symbolic link. Folders copied read-only are made writable first so their contents can go.
// Best effort: returns false when something could not be removed.
bool removeFileTree(const std::string& path);
