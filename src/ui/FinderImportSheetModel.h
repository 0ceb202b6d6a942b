#pragma once

#include "model/Vault.h"
#include "model/VaultRowState.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// What the sheet that takes folders from the file manager into a vault shows: the folders, the
// destination's status block, and the import button's title and whether it works. Computed from
// the pending request, the catalogue, the chosen vault's state and what the user has typed.
struct FinderImportSheetModel
{
    // The status block under the vault picker, by the chosen vault's state.
    enum class Status {
        selectVault,
        unlocked,
        locked,
        missingImage,
        needsAttention,
        unusableEntry
    };

    struct FolderRow
    {
        QString name;
        // The whole path, shown as the row's tooltip.
        QString path;

        bool operator==(const FolderRow&) const = default;
    };

    struct Inputs
    {
        QList<QUrl> folders = {};
        QList<Vault> vaults = {};
        std::optional<Vault> selectedVault = std::nullopt;
        // The chosen vault's state; ignored without a choice.
        VaultRowState selectedState = VaultRowState::needsAttention;
        bool isBusy = false;
        bool hasPassword = false;
        bool didAttemptImport = false;
    };

    // No vault exists yet: the sheet offers to create the first one instead of the form.
    bool offersFirstVault = false;
    QList<FolderRow> folders;
    Status status = Status::selectVault;
    // The block's line and its icon (a KovaraIcons name); a locked vault shows the password
    // field instead.
    QString statusText;
    QString statusIconName;
    // "Informe a senha deste cofre.", once an import was tried without the password.
    std::optional<QString> passwordMessage;
    // "Verificar novamente", for a vault whose state is not confirmed, while nothing runs.
    bool canCheckAgain = false;
    QString importButtonTitle;
    bool canImport = false;

    static FinderImportSheetModel make(const Inputs& inputs);

    bool operator==(const FinderImportSheetModel&) const = default;
};
