#include "ui/SidebarRowModel.h"

#include "ui/KovaraIcons.h"

#include <algorithm>

namespace {

QString statusTextOf(VaultRowState state)
{
    switch (state) {
    case VaultRowState::unlocked:
        return QStringLiteral("Desbloqueado");
    case VaultRowState::locked:
        return QStringLiteral("Bloqueado");
    case VaultRowState::missingImage:
        return QStringLiteral("Arquivo ausente");
    case VaultRowState::unusableEntry:
        return QStringLiteral("Precisa de atenção");
    case VaultRowState::needsAttention:
        break;
    }
    return QStringLiteral("Verificar estado");
}

QString iconNameOf(VaultRowState state)
{
    switch (state) {
    case VaultRowState::missingImage:
        return KovaraIcons::missingImage;
    case VaultRowState::needsAttention:
    case VaultRowState::unusableEntry:
        return KovaraIcons::warning;
    case VaultRowState::unlocked:
    case VaultRowState::locked:
        break;
    }
    return KovaraIcons::folder;
}

using Action = SidebarRowModel::Action;
using MenuEntry = SidebarRowModel::MenuEntry;

// Each action's entry as the menus show it; `startsGroup` marks the first entry of a group in the
// menu bar's full list, which a row's shorter menu keeps where it still separates two groups.
MenuEntry entryFor(Action action)
{
    switch (action) {
    case Action::requestUnlock:
        return {QStringLiteral("Desbloquear…"), action};
    case Action::lock:
        return {QStringLiteral("Bloquear"), action};
    case Action::openInFileManager:
        return {QStringLiteral("Abrir no gerenciador de arquivos"), action, true};
    case Action::addItems:
        return {QStringLiteral("Adicionar…"), action};
    case Action::increaseCapacity:
        return {QStringLiteral("Aumentar capacidade…"), action};
    case Action::changePassword:
        return {QStringLiteral("Alterar senha…"), action, true};
    case Action::showRecoveryKey:
        return {QStringLiteral("Mostrar chave de recuperação…"), action};
    case Action::resetPasswordWithKey:
        return {QStringLiteral("Redefinir senha com a chave…"), action};
    case Action::verify:
        return {QStringLiteral("Verificar cofre…"), action, true};
    case Action::checkAgain:
        return {QStringLiteral("Verificar novamente"), action, true};
    case Action::requestDelete:
        break;
    }
    return {QStringLiteral("Apagar cofre…"), Action::requestDelete, true};
}

const QList<Action> menuOrder{
    Action::requestUnlock,    Action::lock,           Action::openInFileManager, Action::addItems,
    Action::increaseCapacity, Action::changePassword, Action::showRecoveryKey,   Action::resetPasswordWithKey,
    Action::verify,           Action::checkAgain,     Action::requestDelete};

QList<Action> actionsOf(VaultRowState state)
{
    switch (state) {
    case VaultRowState::unlocked:
        return {Action::lock,
                Action::openInFileManager,
                Action::addItems,
                Action::increaseCapacity,
                Action::changePassword,
                Action::showRecoveryKey,
                Action::resetPasswordWithKey,
                Action::verify,
                Action::requestDelete};
    case VaultRowState::locked:
        return {Action::requestUnlock,        Action::increaseCapacity, Action::changePassword, Action::showRecoveryKey,
                Action::resetPasswordWithKey, Action::verify,           Action::requestDelete};
    case VaultRowState::unusableEntry:
        // Checking again cannot mend the entry: removing it from the list is all there is.
        return {Action::requestDelete};
    case VaultRowState::missingImage:
    case VaultRowState::needsAttention:
        break;
    }
    return {Action::checkAgain, Action::requestDelete};
}

// gocryptfs changes a password, reads the key and checks an image only while it is closed, so an
// open vault offers these entries with what to do first rather than leaving the user to wonder
// where they went.
std::optional<QString> lockFirstHint(Action action)
{
    switch (action) {
    case Action::changePassword:
        return QStringLiteral("Bloqueie o cofre para alterar a senha.");
    case Action::showRecoveryKey:
        return QStringLiteral("Bloqueie o cofre para ver a chave de recuperação.");
    case Action::resetPasswordWithKey:
        return QStringLiteral("Bloqueie o cofre para redefinir a senha.");
    case Action::verify:
        return QStringLiteral("Bloqueie o cofre para verificá-lo.");
    default:
        return std::nullopt;
    }
}

QList<MenuEntry> menuOf(VaultRowState state)
{
    QList<MenuEntry> entries;
    for (const Action action : actionsOf(state)) {
        MenuEntry entry = entryFor(action);
        entry.startsGroup = entry.startsGroup && !entries.isEmpty();
        if (const std::optional<QString> hint = lockFirstHint(action); hint && state == VaultRowState::unlocked) {
            entry.isEnabled = false;
            entry.hint = *hint;
        }
        entries.append(entry);
    }
    return entries;
}

} // namespace

SidebarRowModel SidebarRowModel::make(const Vault& vault, VaultRowState state, bool isMutating, bool actionsDisabled)
{
    SidebarRowModel row;
    row.vaultID = vault.id;
    row.name = vault.name;
    row.iconName = iconNameOf(state);
    row.statusText = statusTextOf(state);
    if (isMutating) {
        row.progressLabel = QStringLiteral("Operação em andamento em ") + vault.name;
    }
    if (state == VaultRowState::unlocked) {
        row.lockToggle = LockToggle{KovaraIcons::unlocked, QStringLiteral("Bloquear cofre"),
                                    QStringLiteral("Bloquear ") + vault.name, Action::lock, !actionsDisabled};
    } else if (state == VaultRowState::locked) {
        row.lockToggle =
            LockToggle{KovaraIcons::locked, QStringLiteral("Desbloquear cofre"),
                       QStringLiteral("Desbloquear ") + vault.name, Action::requestUnlock, !actionsDisabled};
    }
    row.menu = menuOf(state);
    return row;
}

QList<MenuEntry> SidebarRowModel::menuBarEntries(const std::optional<SidebarRowModel>& selected, bool isBusy)
{
    QList<MenuEntry> entries;
    for (const Action action : menuOrder) {
        MenuEntry entry = entryFor(action);
        entry.isEnabled = false;
        if (selected) {
            const auto offered = std::find_if(selected->menu.cbegin(), selected->menu.cend(),
                                              [action](const MenuEntry& each) { return each.action == action; });
            if (offered != selected->menu.cend()) {
                entry.isEnabled = offered->isEnabled && !isBusy;
                entry.hint = offered->hint;
            }
        }
        entries.append(entry);
    }
    return entries;
}
