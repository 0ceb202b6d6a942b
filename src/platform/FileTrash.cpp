#include "platform/FileTrash.h"

#include "platform/FileLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <stdexcept>

namespace {

// Qt takes the home Trash's folders on trust: where one of them is a file, it reports success
// while moving the item under the working folder, or never returns. Items on the home's volume
// go there, so such a Trash refuses the move before Qt is asked.
bool homeTrashCanTake(const QString& path)
{
    if (QStorageInfo(path).rootPath() != QStorageInfo(QDir::homePath()).rootPath()) {
        return true;
    }
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    for (const QString& folder : {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
        const QFileInfo entry(folder);
        if (entry.exists() && !entry.isDir()) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<QUrl> moveItemToTrash(const QUrl& location)
{
    const QString path = FileLocation::path(location);
    QString pathInTrash;
    // Qt reports why only in English system text; the user reads Portuguese, so the sentence
    // names the item instead.
    if (!homeTrashCanTake(path) || !QFile::moveToTrash(path, &pathInTrash)) {
        throw std::runtime_error((QStringLiteral("Não foi possível mover “") + FileLocation::lastPathComponent(path) +
                                  QStringLiteral("” para a Lixeira."))
                                     .toStdString());
    }
    if (pathInTrash.isEmpty()) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(pathInTrash);
}
