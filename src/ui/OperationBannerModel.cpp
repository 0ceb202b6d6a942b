#include "ui/OperationBannerModel.h"

#include "ui/ByteCountFormat.h"

namespace {

QString phaseTitle(VaultOperationPhase phase)
{
    switch (phase) {
    case VaultOperationPhase::preparingVault:
        return QStringLiteral("Preparando o cofre");
    case VaultOperationPhase::creatingVault:
        return QStringLiteral("Criando o cofre criptografado");
    case VaultOperationPhase::unlockingVault:
        return QStringLiteral("Desbloqueando o cofre");
    case VaultOperationPhase::preparingCopy:
        return QStringLiteral("Calculando o conteúdo");
    case VaultOperationPhase::copying:
        return QStringLiteral("Copiando com segurança");
    case VaultOperationPhase::committing:
        return QStringLiteral("Finalizando a cópia");
    case VaultOperationPhase::verifying:
        return QStringLiteral("Verificando o cofre");
    case VaultOperationPhase::changingPassword:
        return QStringLiteral("Alterando a senha do cofre");
    case VaultOperationPhase::resettingPassword:
        return QStringLiteral("Redefinindo a senha do cofre");
    case VaultOperationPhase::resizing:
        return QStringLiteral("Alterando a capacidade do cofre");
    case VaultOperationPhase::readingRecoveryKey:
        return QStringLiteral("Lendo a chave de recuperação");
    case VaultOperationPhase::refreshing:
        return QStringLiteral("Atualizando o conteúdo");
    case VaultOperationPhase::cancelling:
        break;
    }
    return QStringLiteral("Cancelando a operação");
}

} // namespace

OperationBannerModel OperationBannerModel::make(const VaultOperationState& operation, bool canCancel)
{
    OperationBannerModel model;
    model.title = phaseTitle(operation.phase);
    if (const auto percentage = operation.percentage()) {
        model.percentageText = QString::number(*percentage) + QLatin1Char('%');
    }
    if (operation.completedBytes) {
        model.byteLine = byteProgressText(*operation.completedBytes, operation.totalBytes);
    }
    model.showsCancel = canCancel;
    return model;
}

QString OperationBannerModel::byteProgressText(std::int64_t completedBytes, std::optional<std::int64_t> totalBytes)
{
    if (!totalBytes) {
        return ByteCountFormat::text(completedBytes) + QStringLiteral(" copiados · total ainda sendo calculado");
    }
    if (*totalBytes == 0) {
        return QStringLiteral("Nenhum dado de arquivo para copiar");
    }
    return ByteCountFormat::text(completedBytes) + QStringLiteral(" de ") + ByteCountFormat::text(*totalBytes);
}
