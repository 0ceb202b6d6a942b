#pragma once

#include <string>

// An exclusive advisory lock (flock) on a folder, held for the object's lifetime. It serialises
// read-modify-write work on one folder between processes that take the same lock.
class FolderLock
{
public:
    // Waits for the lock; throws the POSIX error (naming the folder) when the folder cannot be
    // opened or locked.
    explicit FolderLock(const std::string& folder);
    ~FolderLock();

    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};
