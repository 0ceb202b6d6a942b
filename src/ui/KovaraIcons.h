#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The icons of the window by role, one flat set: the desktop's symbolic glyphs from the
// Adwaita theme (a dependency of Kovara), drawn in the palette's text colour or in the colour
// their meaning calls for (folders and completion in the accent, warnings in orange, errors in
// red), so they read on light and dark alike and follow the palette when it changes.
namespace KovaraIcons {

inline const QString folder = QStringLiteral("folder");
inline const QString reveal = QStringLiteral("reveal");
inline const QString pendingFolders = QStringLiteral("pending-folders");
inline const QString document = QStringLiteral("document");
inline const QString missingImage = QStringLiteral("missing-image");
inline const QString locked = QStringLiteral("locked");
inline const QString unlocked = QStringLiteral("unlocked");
// The lock action and the locked state share one glyph, as do unlocking and unlocked.
inline const QString& lock = locked;
inline const QString& unlock = unlocked;
inline const QString shield = QStringLiteral("shield");
inline const QString search = QStringLiteral("search");
inline const QString keyOff = QStringLiteral("key-off");
inline const QString add = QStringLiteral("add");
inline const QString addItems = QStringLiteral("add-items");
inline const QString trash = QStringLiteral("trash");
inline const QString sidebar = QStringLiteral("sidebar");
inline const QString done = QStringLiteral("done");
inline const QString warning = QStringLiteral("warning");
inline const QString error = QStringLiteral("error");
inline const QString close = QStringLiteral("close");
inline const QString removeSource = QStringLiteral("remove-source");

// The icon of `role` in its own colour, taken from the application's palette whenever it is
// drawn; disabled it is faded, in a selected row it takes the selection's text colour.
QIcon icon(const QString& role);

// The icon of `role` in `colour`, whatever the palette.
QIcon icon(const QString& role, const QColor& colour);

// Makes sure a theme with the desktop's standard icons is in use (Qt's own dialogs draw
// them), whatever the desktop's own theme lacks.
void installIconTheme();

} // namespace KovaraIcons
