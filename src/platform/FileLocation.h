#pragma once

#include <QString>
#include <QUrl>

// How Kovara compares and names file locations. Locations are file URLs; a directory location
// ends with "/". Two locations are the same when their normalised paths are equal as strings.
namespace FileLocation {

// The path a tool or a system call is given: the local path without a trailing "/" (except "/").
QString path(const QUrl& location);

// The path with "." and ".." resolved and no trailing "/"; empty when `location` is not a
// file URL.
QString standardisedPath(const QUrl& location);

// The standardised path with every symbolic link resolved. Components that do not exist are
// kept as they are, after the longest existing prefix has been resolved.
QString normalisedPath(const QString& path);
QString normalisedPath(const QUrl& location);

QString parentPath(const QString& path);
QString lastPathComponent(const QString& path);

// A directory location (trailing "/") for a path.
QUrl directoryLocation(const QString& path);

} // namespace FileLocation
