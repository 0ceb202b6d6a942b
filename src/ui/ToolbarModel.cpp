#include "ui/ToolbarModel.h"

#include "ui/KovaraIcons.h"

#include <algorithm>

ToolbarModel ToolbarModel::make(VaultStatus status, bool isBusy, bool hasSelectedItem)
{
    const bool isUnlocked = status == VaultStatus::unlocked;
    ToolbarModel model;
    model.buttons = {
        {Action::newVault, QStringLiteral("Novo cofre"), QStringLiteral("Novo cofre (Ctrl+N)"), KovaraIcons::add},
        {Action::addItems, QStringLiteral("Adicionar"), QStringLiteral("Adicionar arquivos ou pastas (Ctrl+O)"),
         KovaraIcons::addItems, isUnlocked},
        {Action::trashItem, QStringLiteral("Mover para a Lixeira"),
         QStringLiteral("Mover o item selecionado para a Lixeira (Delete)"), KovaraIcons::trash, isUnlocked,
         hasSelectedItem},
        hasSelectedItem
            ? Button{Action::showInFileManager, QStringLiteral("Mostrar no gerenciador de arquivos"),
                     QStringLiteral("Mostrar o item selecionado no gerenciador de arquivos (Shift+Ctrl+O)"),
                     KovaraIcons::reveal, isUnlocked}
            : Button{Action::showInFileManager, QStringLiteral("Abrir no gerenciador de arquivos"),
                     QStringLiteral("Abrir o cofre em uma nova janela do gerenciador de arquivos (Shift+Ctrl+O)"),
                     KovaraIcons::reveal, isUnlocked},
        {Action::lock, QStringLiteral("Bloquear"), QStringLiteral("Bloquear cofre (Ctrl+L)"), KovaraIcons::locked,
         isUnlocked},
    };
    if (isBusy) {
        for (Button& button : model.buttons) {
            button.isEnabled = false;
        }
    }
    return model;
}

const ToolbarModel::Button& ToolbarModel::button(Action action) const
{
    return *std::find_if(buttons.cbegin(), buttons.cend(),
                         [action](const Button& button) { return button.action == action; });
}
