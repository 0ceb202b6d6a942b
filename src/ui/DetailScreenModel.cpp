#include "ui/DetailScreenModel.h"

#include "ui/KovaraIcons.h"

namespace {

const QString applicationTitle = QStringLiteral("Kovara");

DetailScreenModel withoutVault(bool catalogueIsEmpty)
{
    DetailScreenModel model;
    model.windowTitle = applicationTitle;
    if (catalogueIsEmpty) {
        model.screen = DetailScreenModel::Screen::empty;
        model.showsMark = true;
        model.title = QStringLiteral("Crie seu primeiro cofre");
        model.message =
            QStringLiteral("Proteja pastas e arquivos com criptografia AES-256, fora do índice da busca do sistema.");
        model.buttons = {{QStringLiteral("Criar cofre"), DetailScreenModel::Action::createVault, true, true}};
    } else {
        model.screen = DetailScreenModel::Screen::selectVault;
        model.iconName = KovaraIcons::sidebar;
        model.title = QStringLiteral("Selecione um cofre");
        model.message = QStringLiteral("Escolha um cofre na barra lateral para continuar.");
    }
    return model;
}

void describeDeleting(DetailScreenModel& model, bool imageIsMissing)
{
    const QString& name = model.vault->name;
    model.screen = DetailScreenModel::Screen::deleting;
    model.showsProgress = true;
    if (imageIsMissing) {
        model.title = QStringLiteral("Removendo o cofre da lista…");
        model.message =
            QStringLiteral("O arquivo criptografado de “") + name + QStringLiteral("” está sendo removido da lista.");
    } else {
        model.title = QStringLiteral("Apagando o cofre…");
        model.message =
            QStringLiteral("O arquivo criptografado de “") + name + QStringLiteral("” está indo para a Lixeira.");
    }
}

void describeByState(DetailScreenModel& model, VaultRowState state, bool isBusy, const QString& entryProblem)
{
    using Screen = DetailScreenModel::Screen;
    using Action = DetailScreenModel::Action;
    const QString& name = model.vault->name;
    switch (state) {
    case VaultRowState::unlocked:
        model.screen = Screen::unlocked;
        model.iconName = KovaraIcons::unlocked;
        model.title = name;
        model.message = QStringLiteral("Desbloqueado · itens no nível principal");
        return;
    case VaultRowState::locked:
        model.screen = Screen::locked;
        model.iconName = KovaraIcons::locked;
        model.title = name;
        model.message = QStringLiteral("Este cofre está bloqueado");
        return;
    case VaultRowState::missingImage:
        model.screen = Screen::missingImage;
        model.iconName = KovaraIcons::missingImage;
        model.title = QStringLiteral("Cofre indisponível");
        model.message = QStringLiteral("O arquivo criptografado de “") + name +
                        QStringLiteral("” não foi encontrado no local esperado.");
        model.buttons = {{QStringLiteral("Verificar novamente"), Action::checkAgain, !isBusy},
                         {QStringLiteral("Apagar cofre…"), Action::requestDelete, true, false, true}};
        return;
    case VaultRowState::needsAttention:
        model.screen = Screen::needsAttention;
        if (isBusy) {
            model.showsProgress = true;
            model.title = QStringLiteral("Verificando o cofre…");
            model.message = QStringLiteral("Aguardando a resposta do sistema.");
        } else {
            model.iconName = KovaraIcons::warning;
            model.title = QStringLiteral("Estado não confirmado");
            model.message = QStringLiteral(
                "Não foi possível confirmar o estado do cofre. Nenhum arquivo será alterado até a verificação terminar.");
            model.buttons = {{QStringLiteral("Verificar novamente"), Action::checkAgain, true, true}};
        }
        return;
    case VaultRowState::unusableEntry:
        model.screen = Screen::unusableEntry;
        model.iconName = KovaraIcons::warning;
        model.title = QStringLiteral("Precisa de atenção");
        model.message = QStringLiteral("A entrada de “") + name +
                        QStringLiteral("” no catálogo de cofres não pode ser usada. ") + entryProblem +
                        QStringLiteral(" Os outros cofres não são afetados; remova este da lista para continuar.");
        model.buttons = {{QStringLiteral("Apagar cofre…"), Action::requestDelete, true, false, true}};
        return;
    }
}

} // namespace

DetailScreenModel DetailScreenModel::make(const Inputs& inputs)
{
    if (!inputs.selectedVault) {
        return withoutVault(inputs.vaults.isEmpty());
    }
    DetailScreenModel model;
    model.vault = inputs.selectedVault;
    model.windowTitle = inputs.selectedVault->name + QStringLiteral(" — ") + applicationTitle;
    if (inputs.deletingVaultID == inputs.selectedVault->id) {
        describeDeleting(model, inputs.selectedState == VaultRowState::missingImage ||
                                    inputs.selectedState == VaultRowState::unusableEntry);
    } else {
        describeByState(model, inputs.selectedState, inputs.isBusy, inputs.entryProblem);
    }
    return model;
}
