#pragma once

#include <QString>

// What deleting a vault did with its image: it is in the Trash under `fileName` (the name the
// Trash gave it), or there was no image and nothing changed on disk.
struct VaultImageRemoval
{
    enum class Kind {
        trashed,
        missing
    };

    Kind kind = Kind::missing;
    QString fileName;

    static VaultImageRemoval trashed(QString fileName) { return {Kind::trashed, std::move(fileName)}; }
    static VaultImageRemoval missing() { return {Kind::missing, {}}; }

    bool operator==(const VaultImageRemoval&) const = default;
};
