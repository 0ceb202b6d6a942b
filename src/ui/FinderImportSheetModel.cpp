#include "ui/FinderImportSheetModel.h"

#include "platform/FileLocation.h"
#include "ui/KovaraIcons.h"

namespace {

using Status = FinderImportSheetModel::Status;

Status statusOf(const FinderImportSheetModel::Inputs& inputs)
{
    if (!inputs.selectedVault) {
        return Status::selectVault;
    }
    switch (inputs.selectedState) {
    case VaultRowState::unlocked:
        return Status::unlocked;
    case VaultRowState::locked:
        return Status::locked;
    case VaultRowState::missingImage:
        return Status::missingImage;
    case VaultRowState::unusableEntry:
        return Status::unusableEntry;
    case VaultRowState::needsAttention:
        break;
    }
    return Status::needsAttention;
}

// A locked vault is unlocked on the way, which the title says; one folder is named as such.
QString importButtonTitleFor(Status status, qsizetype folderCount)
{
    const bool unlocksFirst = status == Status::locked;
    if (folderCount == 1) {
        return unlocksFirst ? QStringLiteral("Desbloquear e adicionar") : QStringLiteral("Adicionar pasta");
    }
    return (unlocksFirst ? QStringLiteral("Desbloquear e adicionar ") : QStringLiteral("Adicionar ")) +
           QString::number(folderCount) + QStringLiteral(" pastas");
}

bool canImportInto(Status status, bool isBusy, bool hasPassword)
{
    return !isBusy && (status == Status::unlocked || (status == Status::locked && hasPassword));
}

} // namespace

FinderImportSheetModel FinderImportSheetModel::make(const Inputs& inputs)
{
    FinderImportSheetModel model;
    model.offersFirstVault = inputs.vaults.isEmpty();
    for (const QUrl& folder : inputs.folders) {
        const QString path = FileLocation::path(folder);
        model.folders.append({FileLocation::lastPathComponent(path), path});
    }
    model.status = statusOf(inputs);
    switch (model.status) {
    case Status::selectVault:
        model.statusText = QStringLiteral("Selecione um cofre.");
        break;
    case Status::unlocked:
        model.statusText = QStringLiteral("Cofre desbloqueado");
        model.statusIconName = KovaraIcons::unlocked;
        break;
    case Status::locked:
        if (inputs.didAttemptImport && !inputs.hasPassword) {
            model.passwordMessage = QStringLiteral("Informe a senha deste cofre.");
        }
        break;
    case Status::missingImage:
        model.statusText = QStringLiteral("A imagem criptografada deste cofre não foi encontrada.");
        model.statusIconName = KovaraIcons::missingImage;
        break;
    case Status::unusableEntry:
        model.statusText = QStringLiteral("A entrada deste cofre no catálogo não pode ser usada.");
        model.statusIconName = KovaraIcons::warning;
        break;
    case Status::needsAttention:
        model.statusText = QStringLiteral("Confirme o estado do cofre antes de continuar.");
        model.statusIconName = KovaraIcons::warning;
        model.canCheckAgain = !inputs.isBusy;
        break;
    }
    model.importButtonTitle = importButtonTitleFor(model.status, inputs.folders.size());
    model.canImport = canImportInto(model.status, inputs.isBusy, inputs.hasPassword);
    return model;
}
