#include "platform/FileUrls.h"

#include "platform/PosixError.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

QString standardizedPath(const QUrl& fileUrl)
{
    const QString local = fileUrl.toLocalFile();
    if (local.isEmpty()) {
        return {};
    }
    return QDir::cleanPath(local);
}

QUrl standardizedFileURL(const QUrl& fileUrl)
{
    const QString path = standardizedPath(fileUrl);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

namespace {

bool realPath(const QString& path, QString& resolved)
{
    std::unique_ptr<char, decltype(&std::free)> result(::realpath(QFile::encodeName(path).constData(), nullptr),
                                                       &std::free);
    if (!result) {
        return false;
    }
    resolved = QFile::decodeName(result.get());
    return true;
}

} // namespace

QString resolvingSymlinksInPath(const QString& path)
{
    QString resolved;
    if (realPath(path, resolved)) {
        return resolved;
    }
    const int failure = errno;
    const qsizetype slash = path.lastIndexOf(u'/');
    if (failure != ENOENT || slash < 0) {
        throwPosixError(failure, path);
    }
    // A dangling link: resolve its folder and keep the link's own name.
    const QString folder = slash == 0 ? QStringLiteral("/") : path.left(slash);
    QString resolvedFolder;
    if (!realPath(folder, resolvedFolder)) {
        throwPosixError(errno, folder);
    }
    return QDir::cleanPath(resolvedFolder + u'/' + path.mid(slash + 1));
}

bool isSameOrInside(const QString& path, const QString& folder)
{
    if (path == folder) {
        return true;
    }
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    return path.startsWith(prefix);
}

QString lastPathComponent(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}
