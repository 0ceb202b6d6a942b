#include "platform/EntryStatus.h"

#include "platform/PosixError.h"

#include <QFile>

#include <cerrno>

std::optional<struct stat> entryStatus(const QString& path)
{
    struct stat status = {};
    if (lstat(QFile::encodeName(path).constData(), &status) == 0) {
        return status;
    }
    if (errno == ENOENT) {
        return std::nullopt;
    }
    throwPosixError(errno, path);
}
