// What the toolbar, the create form and the item rows show, computed without a display.
#include "ui/CreateVaultForm.h"
#include "ui/KovaraIcons.h"
#include "ui/ToolbarModel.h"
#include "ui/VaultContentRowModel.h"

#include "support/QtValuePrinters.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

using Action = ToolbarModel::Action;

TEST(ToolbarModel, OnlyAnUnlockedVaultShowsTheVaultButtonsAndABusyStoreDisablesAll)
{
    for (const VaultStatus status :
         {VaultStatus::noSelection, VaultStatus::locked, VaultStatus::missingImage, VaultStatus::needsAttention}) {
        const ToolbarModel model = ToolbarModel::make(status, false, false);
        for (const ToolbarModel::Button& button : model.buttons) {
            EXPECT_EQ(button.isVisible, button.action == Action::newVault) << button.title.toStdString();
        }
    }

    const ToolbarModel noItem = ToolbarModel::make(VaultStatus::unlocked, false, false);
    QStringList titles;
    for (const ToolbarModel::Button& button : noItem.buttons) {
        EXPECT_TRUE(button.isVisible);
        titles.append(button.title);
    }
    EXPECT_EQ(titles, (QStringList{"Novo cofre", "Adicionar", "Mover para a Lixeira",
                                   "Abrir no gerenciador de arquivos", "Bloquear"}));
    EXPECT_FALSE(noItem.button(Action::trashItem).isEnabled) << "nothing selected to trash";
    EXPECT_EQ(noItem.button(Action::showInFileManager).helpText,
              "Abrir o cofre em uma nova janela do gerenciador de arquivos (Shift+Ctrl+O)");

    const ToolbarModel withItem = ToolbarModel::make(VaultStatus::unlocked, false, true);
    EXPECT_TRUE(withItem.button(Action::trashItem).isEnabled);
    EXPECT_EQ(withItem.button(Action::showInFileManager).title, "Mostrar no gerenciador de arquivos");
    EXPECT_EQ(withItem.button(Action::showInFileManager).helpText,
              "Mostrar o item selecionado no gerenciador de arquivos (Shift+Ctrl+O)");

    for (const ToolbarModel::Button& button : ToolbarModel::make(VaultStatus::unlocked, true, true).buttons) {
        EXPECT_FALSE(button.isEnabled) << button.title.toStdString();
    }
}

TEST(CreateVaultForm, ShowsAtMostOneMessageInOrderAndEnablesCreationOnlyWhenEverythingHolds)
{
    struct Case
    {
        const char* name;
        const char* password;
        const char* confirmation;
        bool attempted;
        std::optional<QString> nameWarning;
        std::optional<QString> passwordMessage;
        bool canCreate;
    };
    const QString noName = "Dê um nome ao cofre.";
    const QString noPassword = "Informe uma senha.";
    const QString tooShort = "Use pelo menos 8 caracteres.";
    const QString differ = "As senhas não coincidem.";
    const Case cases[] = {
        {"", "", "", false, std::nullopt, std::nullopt, false},
        {"  \n ", "", "", true, noName, noPassword, false},
        {"Notas", "1234567", "", false, std::nullopt, tooShort, false},
        {"Notas", "1234567", "7654321", true, std::nullopt, tooShort, false},
        {"Notas", "12345678", "12345679", false, std::nullopt, differ, false},
        {"Notas", "12345678", "", true, std::nullopt, std::nullopt, false},
        // Eight letters as the user sees them, though some take more than one code unit.
        {" Notas ", "çãõé🔐👍🏽ab", "çãõé🔐👍🏽ab", true, std::nullopt, std::nullopt, true},
    };
    for (const Case& c : cases) {
        CreateVaultForm form;
        form.name = QString::fromUtf8(c.name);
        form.password = QString::fromUtf8(c.password);
        form.passwordConfirmation = QString::fromUtf8(c.confirmation);
        form.didAttemptCreation = c.attempted;
        SCOPED_TRACE(std::string(c.name) + " / " + c.password + " / " + c.confirmation);
        EXPECT_EQ(form.nameWarning(), c.nameWarning);
        EXPECT_EQ(form.passwordMessage(), c.passwordMessage);
        EXPECT_EQ(form.canCreate(false), c.canCreate);
        EXPECT_FALSE(form.canCreate(true)) << "never while the store is busy";
    }

    CreateVaultForm form;
    EXPECT_EQ(form.capacityInGigabytes, 10);
    EXPECT_EQ(form.sourceButtonTitle(), "Escolher…");
    form.sourceFolder = QUrl::fromLocalFile("/home/ana/Relatórios 2024");
    EXPECT_EQ(form.sourceButtonTitle(), "Alterar…");
    EXPECT_EQ(form.sourceFolderName(), "Relatórios 2024");
}

TEST(VaultContentRowModel, FoldersOpenInTheFileManagerAndPackagesOpenAsDocuments)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const QDateTime modified(QDate(2026, 12, 5), QTime(18, 52), Qt::LocalTime);
    const auto row = [&](const char* name, bool isDirectory, bool isPackage, std::optional<qint64> size) {
        return VaultContentRowModel::make(
            VaultContentItem(QUrl::fromLocalFile(QString("/v/") + name), isDirectory, isPackage, size, modified, {}));
    };

    const VaultContentRowModel folder = row("Fotos", true, false, std::nullopt);
    EXPECT_EQ(folder.iconName, KovaraIcons::folder);
    EXPECT_EQ(folder.openTitle, "Abrir no gerenciador de arquivos");
    EXPECT_EQ(folder.sizeText, "—");
    EXPECT_EQ(folder.dateText, "5 de dez. de 2026 18:52");
    EXPECT_EQ(folder.accessibleText, "Pasta: Fotos");

    const VaultContentRowModel package = row("Editor.app", true, true, std::nullopt);
    EXPECT_EQ(package.iconName, KovaraIcons::document);
    EXPECT_EQ(package.openTitle, "Abrir");
    EXPECT_EQ(package.accessibleText, "Arquivo: Editor.app");

    const VaultContentRowModel file = row("contrato.pdf", false, false, 1'234'567);
    EXPECT_EQ(file.iconName, KovaraIcons::document);
    EXPECT_EQ(file.sizeText, "1,2 MB");
    QLocale::setDefault(previous);
}

} // namespace
