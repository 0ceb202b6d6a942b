#pragma once

#include "ObservedRun.h"

#include "content/VaultContentService.h"
#include "model/Vault.h"

#include <QString>

class VaultStore;

// A second vault, made through the same store, holding 20,000 items at its top level (files and
// folders, their names with accents and emoji), like a photo dump or a mail export, and what the
// bench measures on it: a listing by Kovara's content service against `ls -l` of the same volume,
// and the window's item list filled with that listing after an unlock while the event loop is
// watched. Each step checks its result and throws std::runtime_error when it is wrong.
class LargeVaultBench
{
public:
    static constexpr int itemCount = 20000;

    explicit LargeVaultBench(VaultStore& store);

    // Creates the vault and fills it; it is left unlocked and selected.
    void createVault();

    // Seconds each, on the unlocked vault.
    double listWithContentService();
    double listWithLs();

    // Locks the vault (untimed), shows the main window's content offscreen, then unlocks the
    // vault through the store and watches until the item list holds every item and has been
    // laid out and drawn.
    ObservedRun unlockIntoWindow();

private:
    QString mountPoint() const;
    void requireNoError(const char* step) const;

    VaultStore& store_;
    VaultContentService contentService_;
    Vault vault_;
};
