#include "platform/FileLocation.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <cstdlib>

namespace FileLocation {

QString path(const QUrl& location)
{
    QString local = location.toLocalFile();
    while (local.size() > 1 && local.endsWith(QLatin1Char('/'))) {
        local.chop(1);
    }
    return local;
}

QString standardisedPath(const QUrl& location)
{
    if (!location.isLocalFile()) {
        return {};
    }
    return QDir::cleanPath(location.toLocalFile());
}

QString normalisedPath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (clean.isEmpty() || clean == QStringLiteral("/")) {
        return clean;
    }
    char resolved[PATH_MAX];
    if (realpath(QFile::encodeName(clean).constData(), resolved) != nullptr) {
        return QFile::decodeName(resolved);
    }
    const QString parent = parentPath(clean);
    if (parent == clean) {
        return clean;
    }
    const QString resolvedParent = normalisedPath(parent);
    return resolvedParent.endsWith(QLatin1Char('/')) ? resolvedParent + lastPathComponent(clean)
                                                     : resolvedParent + QLatin1Char('/') + lastPathComponent(clean);
}

QString normalisedPath(const QUrl& location)
{
    return normalisedPath(standardisedPath(location));
}

QString parentPath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        return QStringLiteral(".");
    }
    return slash == 0 ? QStringLiteral("/") : clean.left(slash);
}

QString lastPathComponent(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (clean == QStringLiteral("/")) {
        return clean;
    }
    return clean.mid(clean.lastIndexOf(QLatin1Char('/')) + 1);
}

QUrl directoryLocation(const QString& path)
{
    return QUrl::fromLocalFile(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'));
}

} // namespace FileLocation
