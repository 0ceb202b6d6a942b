#include "platform/FileLocation.h"

#include "platform/PosixError.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// realpath(3); nullopt with errno set when it fails.
std::optional<QString> realPath(const QString& path)
{
    std::unique_ptr<char, decltype(&std::free)> result(::realpath(QFile::encodeName(path).constData(), nullptr),
                                                       &std::free);
    if (!result) {
        return std::nullopt;
    }
    return QFile::decodeName(result.get());
}

} // namespace

namespace FileLocation {

QString path(const QUrl& location)
{
    QString local = location.toLocalFile();
    while (local.size() > 1 && local.endsWith(QLatin1Char('/'))) {
        local.chop(1);
    }
    return local;
}

QString standardizedPath(const QUrl& location)
{
    if (!location.isLocalFile()) {
        return {};
    }
    return QDir::cleanPath(location.toLocalFile());
}

QUrl standardizedFileURL(const QUrl& location)
{
    const QString standardized = standardizedPath(location);
    return standardized.isEmpty() ? QUrl() : QUrl::fromLocalFile(standardized);
}

QString normalizedPath(const QString& path)
{
    QString clean = QDir::cleanPath(path);
    if (clean.isEmpty() || clean == QStringLiteral("/")) {
        return clean;
    }
    if (const auto resolved = realPath(clean)) {
        return *resolved;
    }
    const QString parent = parentPath(clean);
    if (parent == clean) {
        return clean;
    }
    const QString resolvedParent = normalizedPath(parent);
    return resolvedParent.endsWith(QLatin1Char('/')) ? resolvedParent + lastPathComponent(clean)
                                                     : resolvedParent + QLatin1Char('/') + lastPathComponent(clean);
}

QString normalizedPath(const QUrl& location)
{
    return normalizedPath(standardizedPath(location));
}

QString resolvedPathOrThrow(const QString& path)
{
    if (const auto resolved = realPath(path)) {
        return *resolved;
    }
    const int failure = errno;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (failure != ENOENT || slash < 0) {
        throwPosixError(failure, path);
    }
    // A dangling link: resolve its folder and keep the link's own name.
    const QString folder = slash == 0 ? QStringLiteral("/") : path.left(slash);
    const auto resolvedFolder = realPath(folder);
    if (!resolvedFolder) {
        throwPosixError(errno, folder);
    }
    return QDir::cleanPath(*resolvedFolder + QLatin1Char('/') + path.mid(slash + 1));
}

bool isSameOrInside(const QString& path, const QString& folder)
{
    if (path == folder) {
        return true;
    }
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix);
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
    QString clean = QDir::cleanPath(path);
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
