#pragma once

#include <QString>
#include <QStringList>

// Entries at a vault volume's root that belong to the system or to Kovara itself: they are never
// listed and can never be trashed through the program.
namespace InternalVolumeItems {

// The folder inside the volume where items are copied before they get their final name.
inline const QString stagingFolderName = QStringLiteral(".kovara-staging");

// The fixed names, then this user's ".Trash-<uid>" (where items trashed from the vault go).
QStringList names();

// True when `name` matches one of names() in any letter case.
bool contains(const QString& name);

} // namespace InternalVolumeItems
