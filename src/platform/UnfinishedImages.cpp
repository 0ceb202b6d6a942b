#include "platform/UnfinishedImages.h"

#include "platform/DirectoryNames.h"
#include "platform/FileLocation.h"
#include "platform/FileTreeRemoval.h"
#include "platform/UniqueFd.h"

#include <QFile>
#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

const QString marker = QStringLiteral(".kovara-incompleto-");

} // namespace

QString UnfinishedImages::temporaryPathFor(const QString& finalPath)
{
    return FileLocation::parentPath(finalPath) + u'/' + marker + QUuid::createUuid().toString(QUuid::Id128);
}

void UnfinishedImages::removeAbandoned(const QString& folder)
{
    const UniqueFd directory(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<QByteArray> names;
    if (!directory.isValid() || !readDirectoryNames(directory.get(), names)) {
        return;
    }
    for (const QByteArray& name : names) {
        if (!QFile::decodeName(name).startsWith(marker)) {
            continue;
        }
        // O_NOFOLLOW: only a real folder is ever removed; the lock tells a live create from a dead one.
        const UniqueFd candidate(
            ::openat(directory.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (candidate.isValid() && ::flock(candidate.get(), LOCK_EX | LOCK_NB) == 0) {
            removeFileTree(folder + u'/' + QFile::decodeName(name));
        }
    }
}
