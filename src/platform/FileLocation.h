#pragma once

#include <QString>
#include <QUrl>

// How Kovara compares and names file locations. Locations are file URLs; a directory location
// ends with "/". Two locations are the same when their normalized paths are equal as strings.
namespace FileLocation {

// The path a tool or a system call is given: the local path without a trailing "/" (except "/").
QString path(const QUrl& location);

// The path with ".", ".." and repeated or trailing slashes resolved, without touching the disk
// (links are not resolved); empty when `location` is not a file URL.
QString standardizedPath(const QUrl& location);

// The file URL of standardizedPath(); an empty URL when `location` is not a file URL. Every
// path takes this form inside a request, so that one folder always compares equal to itself.
QUrl standardizedFileURL(const QUrl& location);

// The cleaned path with every symbolic link resolved, for comparing locations. Never fails:
// components that do not exist are kept as they are, after the longest existing prefix has been
// resolved.
QString normalizedPath(const QString& path);
QString normalizedPath(const QUrl& location);

// `path` with every symbolic link resolved, for checks that must see the real file system.
// Only the last component may be missing: when it is a link that leads nowhere (or does not
// exist), it stays in the result as named and its folder is resolved. Throws a POSIX error when
// anything else cannot be resolved.
QString resolvedPathOrThrow(const QString& path);

// True when `path` is `folder` or lies below it, compared component by component.
bool isSameOrInside(const QString& path, const QString& folder);

// The folder holding `path` after cleaning it ("." for a bare name, "/" for "/").
QString parentPath(const QString& path);

// The last component of `path` after cleaning it ("/" for "/").
QString lastPathComponent(const QString& path);

// A directory location (trailing "/") for a path.
QUrl directoryLocation(const QString& path);

} // namespace FileLocation
