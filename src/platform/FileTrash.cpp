#include "platform/FileTrash.h"

#include "platform/FileLocation.h"

#include <QFile>

#include <stdexcept>

std::optional<QUrl> moveItemToTrash(const QUrl& location)
{
    const QString path = FileLocation::path(location);
    QString pathInTrash;
    // Qt reports why only in English system text; the user reads Portuguese, so the sentence
    // names the item instead.
    if (!QFile::moveToTrash(path, &pathInTrash)) {
        throw std::runtime_error((QStringLiteral("Não foi possível mover “") + FileLocation::lastPathComponent(path) +
                                  QStringLiteral("” para o Lixo."))
                                     .toStdString());
    }
    if (pathInTrash.isEmpty()) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(pathInTrash);
}
