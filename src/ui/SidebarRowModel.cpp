#include "ui/SidebarRowModel.h"

#include "ui/KovaraIcons.h"

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
        return KovaraIcons::warning;
    case VaultRowState::unlocked:
    case VaultRowState::locked:
        break;
    }
    return KovaraIcons::folder;
}

QList<SidebarRowModel::MenuEntry> menuOf(VaultRowState state)
{
    using Action = SidebarRowModel::Action;
    QList<SidebarRowModel::MenuEntry> entries;
    switch (state) {
    case VaultRowState::unlocked:
        entries = {{QStringLiteral("Abrir no Finder"), Action::openInFileManager},
                   {QStringLiteral("Aumentar capacidade…"), Action::increaseCapacity},
                   {QStringLiteral("Bloquear"), Action::lock, true}};
        break;
    case VaultRowState::locked:
        entries = {{QStringLiteral("Desbloquear…"), Action::requestUnlock},
                   {QStringLiteral("Alterar senha…"), Action::changePassword},
                   {QStringLiteral("Aumentar capacidade…"), Action::increaseCapacity},
                   {QStringLiteral("Mostrar chave de recuperação…"), Action::showRecoveryKey, true},
                   {QStringLiteral("Redefinir senha com a chave…"), Action::resetPasswordWithKey},
                   {QStringLiteral("Verificar cofre…"), Action::verify, true}};
        break;
    case VaultRowState::missingImage:
    case VaultRowState::needsAttention:
        entries = {{QStringLiteral("Verificar novamente"), Action::checkAgain}};
        break;
    }
    entries.append({QStringLiteral("Apagar cofre…"), Action::requestDelete, true});
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
