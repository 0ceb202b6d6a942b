#include "ui/KovaraIcons.h"
#include "ui/SidebarRowModel.h"

#include <gtest/gtest.h>

namespace {

using Action = SidebarRowModel::Action;
using MenuEntry = SidebarRowModel::MenuEntry;

Vault vaultNamed(const QString& name)
{
    return Vault{QUuid::createUuid(), name, QUrl::fromLocalFile("/tmp/x.sparsebundle"), {}};
}

TEST(SidebarRowModel, EveryStateHasItsIconStatusToggleAndMenu)
{
    const Vault vault = vaultNamed("Contratos");
    struct Expected
    {
        VaultRowState state;
        QString icon;
        QString status;
        std::optional<SidebarRowModel::LockToggle> toggle;
        QList<MenuEntry> menu;
    };
    const MenuEntry deleteEntry{"Apagar cofre…", Action::requestDelete, true};
    const QList<Expected> cases{
        {VaultRowState::unlocked,
         KovaraIcons::folder,
         "Desbloqueado",
         SidebarRowModel::LockToggle{KovaraIcons::unlocked, "Bloquear cofre", "Bloquear Contratos", Action::lock, true},
         {{"Bloquear", Action::lock},
          {"Abrir no gerenciador de arquivos", Action::openInFileManager, true},
          {"Adicionar…", Action::addItems},
          {"Aumentar capacidade…", Action::increaseCapacity},
          {"Alterar senha…", Action::changePassword, true, false, "Bloqueie o cofre para alterar a senha."},
          {"Mostrar chave de recuperação…", Action::showRecoveryKey, false, false,
           "Bloqueie o cofre para ver a chave de recuperação."},
          {"Redefinir senha com a chave…", Action::resetPasswordWithKey, false, false,
           "Bloqueie o cofre para redefinir a senha."},
          {"Verificar cofre…", Action::verify, true, false, "Bloqueie o cofre para verificá-lo."},
          deleteEntry}},
        {VaultRowState::locked,
         KovaraIcons::folder,
         "Bloqueado",
         SidebarRowModel::LockToggle{KovaraIcons::locked, "Desbloquear cofre", "Desbloquear Contratos",
                                     Action::requestUnlock, true},
         {{"Desbloquear…", Action::requestUnlock},
          {"Aumentar capacidade…", Action::increaseCapacity},
          {"Alterar senha…", Action::changePassword, true},
          {"Mostrar chave de recuperação…", Action::showRecoveryKey},
          {"Redefinir senha com a chave…", Action::resetPasswordWithKey},
          {"Verificar cofre…", Action::verify, true},
          deleteEntry}},
        {VaultRowState::missingImage,
         KovaraIcons::missingImage,
         "Arquivo ausente",
         std::nullopt,
         {{"Verificar novamente", Action::checkAgain}, deleteEntry}},
        {VaultRowState::needsAttention,
         KovaraIcons::warning,
         "Verificar estado",
         std::nullopt,
         {{"Verificar novamente", Action::checkAgain}, deleteEntry}},
    };
    for (const Expected& expected : cases) {
        const SidebarRowModel row = SidebarRowModel::make(vault, expected.state, false, false);
        SCOPED_TRACE(expected.status.toStdString());
        EXPECT_EQ(row.vaultID, vault.id);
        EXPECT_EQ(row.name, "Contratos");
        EXPECT_EQ(row.iconName, expected.icon);
        EXPECT_EQ(row.statusText, expected.status);
        EXPECT_EQ(row.lockToggle, expected.toggle);
        EXPECT_EQ(row.menu, expected.menu);
        EXPECT_FALSE(row.progressLabel.has_value());
    }
}

TEST(SidebarRowModel, TheMenuBarListsEveryActionAndEnablesWhatTheSelectedRowOffers)
{
    const SidebarRowModel locked = SidebarRowModel::make(vaultNamed("Fotos"), VaultRowState::locked, false, false);
    const auto shown = [](const QList<MenuEntry>& entries) {
        QStringList lines;
        for (const MenuEntry& entry : entries) {
            lines.append((entry.startsGroup ? "— " : "") + entry.title + (entry.isEnabled ? "" : " (desativado)"));
        }
        return lines;
    };
    EXPECT_EQ(shown(SidebarRowModel::menuBarEntries(locked, false)),
              QStringList({"Desbloquear…", "Bloquear (desativado)", "— Abrir no gerenciador de arquivos (desativado)",
                           "Adicionar… (desativado)", "Aumentar capacidade…", "— Alterar senha…",
                           "Mostrar chave de recuperação…", "Redefinir senha com a chave…", "— Verificar cofre…",
                           "— Verificar novamente (desativado)", "— Apagar cofre…"}));
    for (const MenuEntry& entry : SidebarRowModel::menuBarEntries(locked, true)) {
        EXPECT_FALSE(entry.isEnabled) << "busy: " << entry.title.toStdString();
    }
    for (const MenuEntry& entry : SidebarRowModel::menuBarEntries(std::nullopt, false)) {
        EXPECT_FALSE(entry.isEnabled) << "no selection: " << entry.title.toStdString();
    }
}

TEST(SidebarRowModel, WhileAnOperationRunsTogglesAreDisabledAndItsVaultShowsProgress)
{
    const Vault worked = vaultNamed("Fotos");
    const Vault other = vaultNamed("Notas");

    const SidebarRowModel busyRow = SidebarRowModel::make(worked, VaultRowState::locked, true, true);
    EXPECT_EQ(busyRow.progressLabel, QString::fromUtf8("Operação em andamento em Fotos"));
    ASSERT_TRUE(busyRow.lockToggle.has_value());
    EXPECT_FALSE(busyRow.lockToggle->isEnabled);

    const SidebarRowModel otherRow = SidebarRowModel::make(other, VaultRowState::unlocked, false, true);
    EXPECT_FALSE(otherRow.progressLabel.has_value());
    ASSERT_TRUE(otherRow.lockToggle.has_value());
    EXPECT_FALSE(otherRow.lockToggle->isEnabled);

    // A vault whose image vanished has nothing to toggle, busy or not.
    EXPECT_FALSE(SidebarRowModel::make(other, VaultRowState::missingImage, true, true).lockToggle.has_value());
}

} // namespace
