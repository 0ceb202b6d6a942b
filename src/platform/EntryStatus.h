#pragma once

#include <QString>

#include <optional>
#include <sys/stat.h>

// lstat of a path: a final symbolic link is described, never followed. Nothing there gives
// nullopt; any other failure is thrown as the POSIX error.
std::optional<struct stat> entryStatus(const QString& path);
