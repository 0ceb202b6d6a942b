#pragma once

#include <QIcon>
#include <QString>

// The icons of the window by role, as freedesktop icon names (the Adwaita theme ships them all).
// A name of the form "base|badge" stands for the base icon with the badge in its lower corner.
namespace KovaraIcons {

inline const QString folder = QStringLiteral("folder");
inline const QString missingImage = QStringLiteral("drive-harddisk|emblem-important");
inline const QString warning = QStringLiteral("dialog-warning");
inline const QString locked = QStringLiteral("changes-prevent");
inline const QString unlocked = QStringLiteral("changes-allow");
inline const QString add = QStringLiteral("list-add");
inline const QString sidebar = QStringLiteral("go-previous");
inline const QString pendingFolders = QStringLiteral("folder-new");
inline const QString done = QStringLiteral("emblem-default");
inline const QString close = QStringLiteral("window-close");
inline const QString document = QStringLiteral("text-x-generic");
inline const QString shield = QStringLiteral("security-high");
inline const QString search = QStringLiteral("system-search");
inline const QString keyOff = QStringLiteral("dialog-password");
inline const QString addItems = QStringLiteral("document-import");
inline const QString trash = QStringLiteral("user-trash");
inline const QString reveal = QStringLiteral("folder-open");
inline const QString error = QStringLiteral("dialog-error");
inline const QString removeSource = QStringLiteral("edit-clear");

// The icon for a name above, drawn from the current icon theme.
QIcon icon(const QString& name);

// Makes sure a theme with these icons is in use, whatever the desktop's own theme lacks.
void installIconTheme();

} // namespace KovaraIcons
