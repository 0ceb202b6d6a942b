#pragma once

#include "model/Vault.h"
#include "model/VaultRowState.h"

#include <QString>
#include <QUuid>

#include <optional>

// A question put to the user before something that cannot be undone, or an error with the
// one action that can resolve it. The window draws it as an alert; the words and which button
// does what are decided here.
struct ConfirmationModel
{
    QString title;
    QString message;
    // The destructive button; none for a plain error, which only has "OK".
    std::optional<QString> destructiveTitle;
    // The button that dismisses: "Cancelar" for a question, "OK" for an error.
    QString dismissTitle;
    // Only reports what the user asked for (a copy they cancelled): shown as information, not
    // as a warning.
    bool isInformational = false;

    // Before a vault's image goes to the Trash (or, when it is already gone, before the vault
    // leaves the list).
    static ConfirmationModel deleteVault(const Vault& vault, VaultRowState state);

    // Before an item of a vault goes to the Trash.
    static ConfirmationModel trashItem(const QString& itemName);

    // The store's error; with a vault offered for a forced lock, the button that forces it
    // (and, while quitting waits on that vault, continues quitting).
    static ConfirmationModel error(const std::optional<QString>& errorMessage,
                                   const std::optional<QUuid>& forceLockVaultID, bool forceLockContinuesTermination);

    bool operator==(const ConfirmationModel&) const = default;
};
