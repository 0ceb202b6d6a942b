#include "ui/FinderImportSheetModel.h"
#include "ui/KovaraIcons.h"

#include <gtest/gtest.h>

namespace {

using Status = FinderImportSheetModel::Status;

const Vault vault{QUuid::createUuid(), "Recibos", QUrl::fromLocalFile("/tmp/r.sparsebundle"), {}};

QList<QUrl> folders(int count)
{
    QList<QUrl> urls;
    for (int index = 1; index <= count; ++index) {
        urls.append(QUrl::fromLocalFile(QStringLiteral("/home/ana/Relatórios %1").arg(index)));
    }
    return urls;
}

FinderImportSheetModel modelFor(std::optional<VaultRowState> state, int folderCount, bool isBusy = false,
                                bool hasPassword = false)
{
    return FinderImportSheetModel::make({folders(folderCount),
                                         {vault},
                                         state ? std::optional(vault) : std::nullopt,
                                         state.value_or(VaultRowState::needsAttention),
                                         isBusy,
                                         hasPassword});
}

TEST(FinderImportSheetModel, TheImportButtonSaysWhetherItUnlocksAndHowManyFolders)
{
    const struct
    {
        std::optional<VaultRowState> state;
        int folderCount;
        const char* title;
    } cases[] = {
        {VaultRowState::locked, 1, "Desbloquear e adicionar"},
        {VaultRowState::locked, 2, "Desbloquear e adicionar 2 pastas"},
        {VaultRowState::locked, 0, "Desbloquear e adicionar 0 pastas"},
        {VaultRowState::unlocked, 1, "Adicionar pasta"},
        {VaultRowState::unlocked, 3, "Adicionar 3 pastas"},
        {VaultRowState::missingImage, 1, "Adicionar pasta"},
        {VaultRowState::needsAttention, 12, "Adicionar 12 pastas"},
        {std::nullopt, 1, "Adicionar pasta"},
        {std::nullopt, 2, "Adicionar 2 pastas"},
    };
    for (const auto& example : cases) {
        EXPECT_EQ(modelFor(example.state, example.folderCount).importButtonTitle, QString::fromUtf8(example.title));
    }
}

TEST(FinderImportSheetModel, ImportsOnlyIntoAnUnlockedVaultOrALockedOneWithItsPasswordWhileNothingRuns)
{
    const struct
    {
        std::optional<VaultRowState> state;
        bool isBusy;
        bool hasPassword;
        bool canImport;
    } cases[] = {
        {VaultRowState::unlocked, false, false, true},       {VaultRowState::unlocked, true, false, false},
        {VaultRowState::locked, false, true, true},          {VaultRowState::locked, false, false, false},
        {VaultRowState::locked, true, true, false},          {VaultRowState::missingImage, false, true, false},
        {VaultRowState::needsAttention, false, true, false}, {std::nullopt, false, true, false},
    };
    for (const auto& example : cases) {
        EXPECT_EQ(modelFor(example.state, 2, example.isBusy, example.hasPassword).canImport, example.canImport)
            << int(example.state.value_or(VaultRowState(-1))) << example.isBusy << example.hasPassword;
    }
}

TEST(FinderImportSheetModel, ShowsTheFoldersInOrderAndOneStatusBlockPerState)
{
    const FinderImportSheetModel locked = modelFor(VaultRowState::locked, 2);
    EXPECT_FALSE(locked.offersFirstVault);
    ASSERT_EQ(locked.folders.size(), 2);
    EXPECT_EQ(locked.folders.at(0).name, QString::fromUtf8("Relatórios 1"));
    EXPECT_EQ(locked.folders.at(1).path, QString::fromUtf8("/home/ana/Relatórios 2"));
    EXPECT_EQ(locked.status, Status::locked);
    EXPECT_EQ(locked.passwordMessage, std::nullopt) << "no message before an attempt";

    FinderImportSheetModel::Inputs attempted{folders(1), {vault}, vault, VaultRowState::locked};
    attempted.didAttemptImport = true;
    EXPECT_EQ(FinderImportSheetModel::make(attempted).passwordMessage, QString("Informe a senha deste cofre."));
    attempted.hasPassword = true;
    EXPECT_EQ(FinderImportSheetModel::make(attempted).passwordMessage, std::nullopt);

    const struct
    {
        std::optional<VaultRowState> state;
        Status status;
        const char* text;
        QString iconName;
    } blocks[] = {
        {std::nullopt, Status::selectVault, "Selecione um cofre.", {}},
        {VaultRowState::unlocked, Status::unlocked, "Cofre desbloqueado", KovaraIcons::unlocked},
        {VaultRowState::missingImage, Status::missingImage, "A imagem criptografada deste cofre não foi encontrada.",
         KovaraIcons::missingImage},
        {VaultRowState::needsAttention, Status::needsAttention, "Confirme o estado do cofre antes de continuar.",
         KovaraIcons::warning},
    };
    for (const auto& block : blocks) {
        const FinderImportSheetModel model = modelFor(block.state, 1);
        EXPECT_EQ(model.status, block.status);
        EXPECT_EQ(model.statusText, QString::fromUtf8(block.text));
        EXPECT_EQ(model.statusIconName, block.iconName);
        EXPECT_EQ(model.canCheckAgain, block.status == Status::needsAttention);
    }
    EXPECT_FALSE(modelFor(VaultRowState::needsAttention, 1, true).canCheckAgain) << "not while the check runs";

    EXPECT_TRUE(FinderImportSheetModel::make({folders(1)}).offersFirstVault);
}

} // namespace
