#include "ui/ConfirmationModel.h"

ConfirmationModel ConfirmationModel::deleteVault(const Vault& vault, VaultRowState state)
{
    const QString quotedName = QStringLiteral("“%1”").arg(vault.name);
    ConfirmationModel model{
        QStringLiteral("Apagar cofre?"), {}, QStringLiteral("Apagar %1").arg(quotedName), QStringLiteral("Cancelar")};
    switch (state) {
    case VaultRowState::unlocked:
        model.message = QStringLiteral(
            "O cofre será bloqueado e seu arquivo criptografado será movido para a Lixeira. O Kovara não voltará "
            "a abri-lo; sem a senha, o conteúdo não poderá ser recuperado.");
        break;
    case VaultRowState::locked:
    case VaultRowState::needsAttention:
        model.message = QStringLiteral("O arquivo criptografado será movido para a Lixeira. O Kovara não voltará a "
                                       "abri-lo; sem a senha, o conteúdo não poderá ser recuperado.");
        break;
    case VaultRowState::missingImage:
        model.message = QStringLiteral("O arquivo criptografado de %1 não foi encontrado. O cofre será apenas removido "
                                       "da lista.")
                            .arg(quotedName);
        model.destructiveTitle = QStringLiteral("Remover %1 da lista").arg(quotedName);
        break;
    }
    return model;
}

ConfirmationModel ConfirmationModel::trashItem(const QString& itemName)
{
    return ConfirmationModel{QStringLiteral("Mover para a Lixeira?"),
                             QStringLiteral("O item será removido do cofre e poderá ser recuperado pela Lixeira."),
                             QStringLiteral("Mover “%1” para a Lixeira").arg(itemName), QStringLiteral("Cancelar")};
}

ConfirmationModel ConfirmationModel::error(const std::optional<QString>& errorMessage,
                                           const std::optional<QUuid>& forceLockVaultID,
                                           bool forceLockContinuesTermination)
{
    ConfirmationModel model{QStringLiteral("Não foi possível concluir"),
                            errorMessage.value_or(QStringLiteral("Tente novamente.")), std::nullopt,
                            QStringLiteral("OK")};
    if (forceLockVaultID) {
        model.destructiveTitle = forceLockContinuesTermination ? QStringLiteral("Forçar bloqueio e encerrar")
                                                               : QStringLiteral("Forçar bloqueio");
    }
    return model;
}
