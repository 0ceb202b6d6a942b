#pragma once

#include "model/Vault.h"
#include "model/VaultRowState.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// Which screen the detail pane shows and what it says, chosen from the catalogue, the
// selection and the selected vault's state.
struct DetailScreenModel
{
    enum class Screen {
        empty,
        selectVault,
        deleting,
        unlocked,
        locked,
        missingImage,
        needsAttention,
        unusableEntry
    };
    enum class Action {
        createVault,
        checkAgain,
        requestDelete
    };

    struct Button
    {
        QString title;
        Action action;
        bool isEnabled = true;
        // The screen's main action, drawn larger and in the accent colour.
        bool isProminent = false;
        bool isDestructive = false;

        bool operator==(const Button&) const = default;
    };

    Screen screen = Screen::empty;
    std::optional<Vault> vault;
    QString windowTitle;
    QString iconName;
    // The brand mark replaces the icon on the welcome screen.
    bool showsMark = false;
    QString title;
    QString message;
    // A small progress indicator beside the title, for work the screen waits on.
    bool showsProgress = false;
    QList<Button> buttons;

    struct Inputs
    {
        QList<Vault> vaults = {};
        std::optional<Vault> selectedVault = std::nullopt;
        std::optional<QUuid> deletingVaultID = std::nullopt;
        // The selected vault's state; ignored without a selection.
        VaultRowState selectedState = VaultRowState::needsAttention;
        bool isBusy = false;
        // The rule the selected vault's catalogue entry broke, for an unusable entry.
        QString entryProblem = {};
    };

    static DetailScreenModel make(const Inputs& inputs);

    bool operator==(const DetailScreenModel&) const = default;
};
