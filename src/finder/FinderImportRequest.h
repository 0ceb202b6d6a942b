#pragma once

#include <QList>
#include <QUrl>
#include <QUuid>

// Folders handed to Kovara by the file manager that still wait for a destination vault. The id
// survives merges and partial completions so that a completion can tell whether it still
// concerns the request the user is looking at.
struct FinderImportRequest
{
    QUuid id;
    // Standardized file URLs, unique by path, in arrival order.
    QList<QUrl> urls;

    bool operator==(const FinderImportRequest&) const = default;
};
