#include "ui/ConfirmationModel.h"

#include "support/QtValuePrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfirmationModel, DeletingAVaultWarnsByStateAndOnlyRemovesAMissingOneFromTheList)
{
    const Vault vault{QUuid::createUuid(), "Contratos", QUrl::fromLocalFile("/tmp/x.sparsebundle"), {}};
    const QString trashedForever = "O arquivo criptografado será movido para a Lixeira. O Kovara não voltará a "
                                   "abri-lo; sem a senha, o conteúdo não poderá ser recuperado.";

    const ConfirmationModel unlocked = ConfirmationModel::deleteVault(vault, VaultRowState::unlocked);
    EXPECT_EQ(unlocked.title, "Apagar cofre?");
    EXPECT_EQ(unlocked.destructiveTitle, "Apagar “Contratos”");
    EXPECT_EQ(unlocked.dismissTitle, "Cancelar");
    EXPECT_EQ(unlocked.message, "O cofre será bloqueado e seu arquivo criptografado será movido para a Lixeira. "
                                "O Kovara não voltará a abri-lo; sem a senha, o conteúdo não poderá ser recuperado.");

    for (const VaultRowState state : {VaultRowState::locked, VaultRowState::needsAttention}) {
        const ConfirmationModel model = ConfirmationModel::deleteVault(vault, state);
        EXPECT_EQ(model.destructiveTitle, "Apagar “Contratos”");
        EXPECT_EQ(model.message, trashedForever);
    }

    const ConfirmationModel missing = ConfirmationModel::deleteVault(vault, VaultRowState::missingImage);
    EXPECT_EQ(missing.destructiveTitle, "Remover “Contratos” da lista");
    EXPECT_EQ(missing.message, "O arquivo criptografado de “Contratos” não foi encontrado. O cofre será apenas "
                               "removido da lista.");

    const ConfirmationModel trash = ConfirmationModel::trashItem("Fotos");
    EXPECT_EQ(trash.title, "Mover para a Lixeira?");
    EXPECT_EQ(trash.destructiveTitle, "Mover “Fotos” para a Lixeira");
    EXPECT_EQ(trash.message, "O item será removido do cofre e poderá ser recuperado pela Lixeira.");
}

TEST(ConfirmationModel, AnErrorOffersTheForcedLockOnlyForABusyVaultAndSaysWhenItQuits)
{
    const ConfirmationModel plain = ConfirmationModel::error(std::nullopt, std::nullopt, false);
    EXPECT_EQ(plain.title, "Não foi possível concluir");
    EXPECT_EQ(plain.message, "Tente novamente.");
    EXPECT_EQ(plain.destructiveTitle, std::nullopt);
    EXPECT_EQ(plain.dismissTitle, "OK");

    const QUuid busy = QUuid::createUuid();
    const ConfirmationModel lock = ConfirmationModel::error(QString("Em uso"), busy, false);
    EXPECT_EQ(lock.message, "Em uso");
    EXPECT_EQ(lock.destructiveTitle, "Forçar bloqueio");
    EXPECT_EQ(ConfirmationModel::error(QString("Em uso"), busy, true).destructiveTitle, "Forçar bloqueio e encerrar");
}

} // namespace
