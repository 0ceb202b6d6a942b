#pragma once

#include <QUrl>

// Where Kovara keeps its data: the application folder, the storage folder holding the encrypted
// images, and the catalogue beside (not inside) the storage folder. All three are file URLs.
struct KovaraPaths
{
    QUrl applicationDirectory;
    QUrl storageDirectory;
    QUrl registryURL;

    // The paths under an application folder (used by `live` and by tests with a temporary one).
    static KovaraPaths under(const QString& applicationDirectoryPath);

    // `~/.local/share/Kovara` (the user's generic data location), computed without touching
    // the disk; falls back to the home folder's `.local/share` when no location is known.
    static KovaraPaths live();

    bool operator==(const KovaraPaths&) const = default;
};
