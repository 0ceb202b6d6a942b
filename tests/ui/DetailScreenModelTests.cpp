#include "ui/DetailScreenModel.h"
#include "ui/KovaraIcons.h"

#include <gtest/gtest.h>

namespace {

using Screen = DetailScreenModel::Screen;
using Action = DetailScreenModel::Action;

Vault vaultNamed(const QString& name)
{
    return Vault{QUuid::createUuid(), name, QUrl::fromLocalFile("/tmp/x.sparsebundle"), {}};
}

TEST(DetailScreenModel, WithoutASelectionShowsTheWelcomeOrTheSelectScreen)
{
    const DetailScreenModel empty = DetailScreenModel::make({});
    EXPECT_EQ(empty.screen, Screen::empty);
    EXPECT_TRUE(empty.showsMark);
    EXPECT_EQ(empty.windowTitle, "Kovara");
    EXPECT_EQ(empty.title, "Crie seu primeiro cofre");
    EXPECT_EQ(
        empty.message,
        QString::fromUtf8("Proteja pastas e arquivos com criptografia AES-256, fora do índice da busca do sistema."));
    ASSERT_EQ(empty.buttons.size(), 1);
    EXPECT_EQ(empty.buttons.first().title, "Criar cofre");
    EXPECT_EQ(empty.buttons.first().action, Action::createVault);
    EXPECT_TRUE(empty.buttons.first().isProminent);

    const DetailScreenModel select = DetailScreenModel::make({{vaultNamed("A")}});
    EXPECT_EQ(select.screen, Screen::selectVault);
    EXPECT_EQ(select.windowTitle, "Kovara");
    EXPECT_EQ(select.iconName, KovaraIcons::sidebar);
    EXPECT_EQ(select.title, "Selecione um cofre");
    EXPECT_EQ(select.message, "Escolha um cofre na barra lateral para continuar.");
    EXPECT_TRUE(select.buttons.isEmpty());
}

TEST(DetailScreenModel, TheVaultBeingDeletedShowsTheDeletingScreenWhateverItsState)
{
    const Vault vault = vaultNamed("Recibos");
    DetailScreenModel::Inputs inputs{{vault}, vault, vault.id, VaultRowState::unlocked};
    const DetailScreenModel deleting = DetailScreenModel::make(inputs);
    EXPECT_EQ(deleting.screen, Screen::deleting);
    EXPECT_TRUE(deleting.showsProgress);
    EXPECT_EQ(deleting.title, QString::fromUtf8("Apagando o cofre…"));
    EXPECT_EQ(deleting.message, QString::fromUtf8("O arquivo criptografado de “Recibos” está indo para a Lixeira."));

    inputs.selectedState = VaultRowState::missingImage;
    const DetailScreenModel removing = DetailScreenModel::make(inputs);
    EXPECT_EQ(removing.screen, Screen::deleting);
    EXPECT_EQ(removing.title, QString::fromUtf8("Removendo o cofre da lista…"));
    EXPECT_EQ(removing.message,
              QString::fromUtf8("O arquivo criptografado de “Recibos” está sendo removido da lista."));

    // Another vault being deleted does not change the selected vault's screen.
    inputs.deletingVaultID = QUuid::createUuid();
    EXPECT_EQ(DetailScreenModel::make(inputs).screen, Screen::missingImage);
}

TEST(DetailScreenModel, EachRowStateChoosesItsScreen)
{
    const Vault vault = vaultNamed("Cartas");
    auto screenFor = [&](VaultRowState state, bool busy) {
        return DetailScreenModel::make({{vault}, vault, std::nullopt, state, busy});
    };

    const DetailScreenModel unlocked = screenFor(VaultRowState::unlocked, false);
    EXPECT_EQ(unlocked.screen, Screen::unlocked);
    EXPECT_EQ(unlocked.windowTitle, QString::fromUtf8("Cartas — Kovara"));
    EXPECT_EQ(unlocked.title, "Cartas");
    EXPECT_EQ(unlocked.message, QString::fromUtf8("Desbloqueado · itens no nível principal"));

    const DetailScreenModel locked = screenFor(VaultRowState::locked, false);
    EXPECT_EQ(locked.screen, Screen::locked);
    EXPECT_EQ(locked.message, QString::fromUtf8("Este cofre está bloqueado"));

    const DetailScreenModel missing = screenFor(VaultRowState::missingImage, true);
    EXPECT_EQ(missing.screen, Screen::missingImage);
    EXPECT_EQ(missing.title, QString::fromUtf8("Cofre indisponível"));
    EXPECT_EQ(missing.message,
              QString::fromUtf8("O arquivo criptografado de “Cartas” não foi encontrado no local esperado."));
    ASSERT_EQ(missing.buttons.size(), 2);
    EXPECT_FALSE(missing.buttons.at(0).isEnabled) << "checking again waits for the running operation";
    EXPECT_EQ(missing.buttons.at(1).title, QString::fromUtf8("Apagar cofre…"));
    EXPECT_TRUE(missing.buttons.at(1).isEnabled) << "deletion is offered though nothing can be unlocked";
    EXPECT_TRUE(missing.buttons.at(1).isDestructive);

    const DetailScreenModel waiting = screenFor(VaultRowState::needsAttention, true);
    EXPECT_EQ(waiting.screen, Screen::needsAttention);
    EXPECT_TRUE(waiting.showsProgress);
    EXPECT_EQ(waiting.title, QString::fromUtf8("Verificando o cofre…"));
    EXPECT_EQ(waiting.message, QString::fromUtf8("Aguardando a resposta do sistema."));
    EXPECT_TRUE(waiting.buttons.isEmpty());

    const DetailScreenModel unconfirmed = screenFor(VaultRowState::needsAttention, false);
    EXPECT_EQ(unconfirmed.title, QString::fromUtf8("Estado não confirmado"));
    ASSERT_EQ(unconfirmed.buttons.size(), 1);
    EXPECT_EQ(unconfirmed.buttons.first().action, Action::checkAgain);
    EXPECT_TRUE(unconfirmed.buttons.first().isProminent);
}

} // namespace
