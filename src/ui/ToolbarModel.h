#pragma once

#include "model/VaultStatus.h"

#include <QList>
#include <QString>

// The window's toolbar: which buttons show, which can be pressed, and what they say. The vault
// buttons show only for an unlocked vault, so none of them can act on a vault that is not open.
struct ToolbarModel
{
    enum class Action {
        newVault,
        addItems,
        trashItem,
        showInFileManager,
        lock
    };

    struct Button
    {
        Action action;
        QString title;
        QString helpText;
        QString iconName;
        bool isVisible = true;
        bool isEnabled = true;

        bool operator==(const Button&) const = default;
    };

    // In toolbar order.
    QList<Button> buttons;

    // `hasSelectedItem`: an item of the unlocked vault's list is selected.
    static ToolbarModel make(VaultStatus status, bool isBusy, bool hasSelectedItem);

    const Button& button(Action action) const;

    bool operator==(const ToolbarModel&) const = default;
};
