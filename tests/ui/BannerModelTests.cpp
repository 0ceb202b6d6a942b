#include "ui/KovaraIcons.h"
#include "ui/NoticeBannerModel.h"
#include "ui/OperationBannerModel.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

class BannerModels : public testing::Test
{
protected:
    // The application runs in Brazilian Portuguese; sizes are written its way ("1,5 MB").
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    void TearDown() override { QLocale::setDefault(previous); }

    const QLocale previous;
};

TEST_F(BannerModels, TheOperationBannerTitlesEachPhaseAndCountsItsBytes)
{
    const QList<std::pair<VaultOperationPhase, const char*>> titles{
        {VaultOperationPhase::preparingVault, "Preparando o cofre"},
        {VaultOperationPhase::creatingVault, "Criando o cofre criptografado"},
        {VaultOperationPhase::unlockingVault, "Desbloqueando o cofre"},
        {VaultOperationPhase::preparingCopy, "Calculando o conteúdo"},
        {VaultOperationPhase::copying, "Copiando com segurança"},
        {VaultOperationPhase::committing, "Finalizando a cópia"},
        {VaultOperationPhase::refreshing, "Atualizando o conteúdo"},
        {VaultOperationPhase::cancelling, "Cancelando a operação"}};
    VaultOperationState operation = VaultOperationState::starting(VaultOperationKind::import);
    for (const auto& [phase, title] : titles) {
        operation.phase = phase;
        EXPECT_EQ(OperationBannerModel::make(operation, false).title, QString::fromUtf8(title));
    }

    operation.phase = VaultOperationPhase::copying;
    EXPECT_FALSE(OperationBannerModel::make(operation, true).byteLine.has_value());
    operation.completedBytes = 1'500'000;
    const OperationBannerModel counting = OperationBannerModel::make(operation, true);
    EXPECT_FALSE(counting.percentageText.has_value());
    EXPECT_EQ(counting.byteLine, QString::fromUtf8("1,5 MB copiados · total ainda sendo calculado"));
    EXPECT_TRUE(counting.showsCancel);

    operation.totalBytes = 2'000'000;
    const OperationBannerModel copying = OperationBannerModel::make(operation, false);
    EXPECT_EQ(copying.percentageText, QString("75%"));
    EXPECT_EQ(copying.byteLine, QString("1,5 MB de 2,0 MB"));
    EXPECT_FALSE(copying.showsCancel);

    EXPECT_EQ(OperationBannerModel::byteProgressText(0, 0), "Nenhum dado de arquivo para copiar");
}

TEST_F(BannerModels, ANoticeWithWarningsShowsTheWarningSign)
{
    EXPECT_EQ(NoticeBannerModel::make("Cofre criado.").iconName, KovaraIcons::done);
    EXPECT_EQ(
        NoticeBannerModel::make(QString::fromUtf8("Cofre criado.\nAtenção: o índice não foi desligado.")).iconName,
        KovaraIcons::warning);
}

} // namespace
