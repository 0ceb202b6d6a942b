#pragma once

#include <string>
#include <vector>

// The names in the open directory `directory` (not "." and ".."), in the order the file system
// gives them, read through a duplicate so the caller's descriptor stays usable for *at() calls.
// Returns false with errno set when the directory cannot be read.
bool readDirectoryNames(int directory, std::vector<std::string>& names);
