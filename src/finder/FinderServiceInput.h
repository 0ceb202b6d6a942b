#pragma once

#include "finder/FinderPasteboard.h"

#include <QList>
#include <QUrl>

// Reading folder locations out of what a sender put on the pasteboard. Pure functions: whether
// a location exists or is a folder is left to the import, which validates its sources.
namespace FinderServiceInput {

// The usable file URLs of the pasteboard: its file URLs, then its legacy file names, then its
// text lines that are file URLs or absolute paths, normalized.
QList<QUrl> fileURLs(const FinderPasteboard& pasteboard);

// Keeps file URLs with an absolute path only, standardized, without the root folder, each path
// once, in the given order.
QList<QUrl> normalizedFileURLs(const QList<QUrl>& urls);

} // namespace FinderServiceInput
