#pragma once

#include <QUrl>

#include <optional>

// Moves an item to the user's Trash the freedesktop way: the home trash for an item on the
// volume of the user's data folder, that volume's own trash for an item on another. Returns the
// item's location inside the Trash; throws (see VolumeTrash::moveToTrash) when it cannot be
// moved, leaving the item where it was.
std::optional<QUrl> moveItemToTrash(const QUrl& location);
