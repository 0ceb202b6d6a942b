#include "ui/ConfirmationModel.h"

#include "model/VaultError.h"

#include <QStringList>

#include <algorithm>

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
    case VaultRowState::unusableEntry:
        model.message =
            QStringLiteral("A entrada de %1 no catálogo não pode ser usada. O cofre será apenas removido da "
                           "lista; nenhum arquivo será alterado.")
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
    // A copy the user cancelled lists what was not copied, each with the cancellation's text;
    // that is the outcome they asked for, not a failure.
    const QString cancelled = VaultError(VaultError::Kind::operationCancelled).errorDescription();
    const QStringList lines = model.message.split(QLatin1Char('\n'));
    if (errorMessage && std::all_of(lines.cbegin(), lines.cend(),
                                    [&cancelled](const QString& line) { return line.endsWith(cancelled); })) {
        model.title = QStringLiteral("Cópia cancelada");
        model.isInformational = true;
    }
    if (forceLockVaultID) {
        model.destructiveTitle = forceLockContinuesTermination ? QStringLiteral("Forçar bloqueio e encerrar")
                                                               : QStringLiteral("Forçar bloqueio");
    }
    return model;
}
