#pragma once

#include "model/Vault.h"
#include "model/VaultRowState.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// What one sidebar row shows and offers, computed from the vault and its state.
struct SidebarRowModel
{
    enum class Action {
        openInFileManager,
        addItems,
        lock,
        requestUnlock,
        changePassword,
        increaseCapacity,
        showRecoveryKey,
        resetPasswordWithKey,
        verify,
        checkAgain,
        requestDelete
    };

    struct MenuEntry
    {
        QString title;
        Action action;
        // A divider precedes this entry.
        bool startsGroup = false;
        // An entry the user may look for but that needs another state first is shown disabled,
        // with `hint` saying what to do.
        bool isEnabled = true;
        QString hint{};

        bool operator==(const MenuEntry&) const = default;
    };

    // The trailing one-click lock button.
    struct LockToggle
    {
        QString iconName;
        QString helpText;
        QString accessibleName;
        Action action;
        bool isEnabled;

        bool operator==(const LockToggle&) const = default;
    };

    QUuid vaultID;
    QString name;
    QString iconName;
    QString statusText;
    // The label of the progress indicator, shown while an operation works on this vault.
    std::optional<QString> progressLabel;
    // Only locked and unlocked vaults can be toggled.
    std::optional<LockToggle> lockToggle;
    QList<MenuEntry> menu;

    // `isMutating`: the running operation concerns this vault; `actionsDisabled`: any
    // operation is running.
    static SidebarRowModel make(const Vault& vault, VaultRowState state, bool isMutating, bool actionsDisabled);

    // Every vault action in the order the menu bar's vault menu lists them, which mirrors the
    // rows' context menus: each with the title, divider and state the selected vault's row menu
    // gives it, disabled where that menu does not offer it or while an operation runs (none
    // selected: all disabled).
    static QList<MenuEntry> menuBarEntries(const std::optional<SidebarRowModel>& selected, bool isBusy);

    bool operator==(const SidebarRowModel&) const = default;
};
