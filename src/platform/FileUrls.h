#pragma once

#include <QString>
#include <QUrl>

// Paths of file URLs as the services compare them.

// The URL's local path with "." and ".." components and duplicate or trailing slashes removed,
// without touching the disk (links are not resolved). Empty for a URL that is not a file URL.
QString standardizedPath(const QUrl& fileUrl);

// The file URL of standardizedPath().
QUrl standardizedFileURL(const QUrl& fileUrl);

// `path` with every symbolic link resolved. When the last component is a link that leads nowhere,
// the link itself stays in the result (its folder is resolved). Throws a POSIX error when the
// folder cannot be resolved.
QString resolvingSymlinksInPath(const QString& path);

// True when `path` is `folder` or lies below it, compared component by component.
bool isSameOrInside(const QString& path, const QString& folder);

// The last component of a standardized path ("" for "/").
QString lastPathComponent(const QString& path);
