#pragma once

#include <QUrl>

#include <optional>

// Moves an item to the user's Trash the freedesktop way (an item on another volume goes to that
// volume's own trash folder). Returns the item's location inside the Trash; throws
// std::runtime_error with a Portuguese sentence naming the item when it cannot be moved.
std::optional<QUrl> moveItemToTrash(const QUrl& location);
