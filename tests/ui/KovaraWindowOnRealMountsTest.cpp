// The whole life of a vault through the real window, as a user goes through it with the mouse
// and keyboard, on real gocryptfs volumes: the application runs its own event loop and quits
// through its menu, so a quit that never ends fails here.
#include "app/KovaraApp.h"
#include "app/MainWindow.h"
#include "model/KovaraPaths.h"
#include "store/VaultStore.h"
#include "ui/ContentView.h"
#include "ui/CreateVaultSheet.h"
#include "ui/InlineMessage.h"
#include "ui/RecoveryKeySheet.h"
#include "ui/VaultSidebarView.h"
#include "ui/VaultUnlockedView.h"

#include "support/FakeFinderWorkspace.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "support/WindowScreenshot.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

constexpr int generousWait = 120000;

// The store over its real services, with the file manager recorded.
struct LiveStore
{
    explicit LiveStore(const KovaraPaths& paths) : store(paths, finderWorkspace) {}

    FakeFinderWorkspace finderWorkspace;
    VaultStore store;
};

class KovaraWindowOnRealMounts : public testing::Test
{
protected:
    static void SetUpTestSuite() { KovaraApp::configure(*qApp); }

    MainWindow* window() const
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<MainWindow*>(widget)) {
                return main;
            }
        }
        return nullptr;
    }

    template <typename Widget>
    Widget* shown(const QString& accessibleName = {}) const
    {
        Widget* found = nullptr;
        (void)QTest::qWaitFor([&] {
            for (Widget* widget : window()->findChildren<Widget*>()) {
                if (widget->isVisible() && (accessibleName.isEmpty() || widget->accessibleName() == accessibleName ||
                                            widget->property("text").toString() == accessibleName)) {
                    found = widget;
                }
            }
            return found != nullptr;
        });
        return found;
    }

    void clickToolbarButton(const QString& title) const
    {
        QToolBar* toolbar = window()->contentView()->toolbar();
        for (QAction* action : toolbar->actions()) {
            if (action->text() == title && action->isVisible()) {
                QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no toolbar button " << title.toStdString();
    }

    void answerAlert(const QString& button) const
    {
        QMessageBox* alert = shown<QMessageBox>();
        ASSERT_NE(alert, nullptr);
        for (QAbstractButton* choice : alert->buttons()) {
            if (choice->text() == button) {
                choice->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << button.toStdString() << " in " << alert->informativeText().toStdString();
    }

    void awaitIdle(const std::function<bool()>& condition) const
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !store->isBusy() && condition(); }, generousWait))
            << store->errorMessage().value_or("").toStdString();
        // As a window manager does when a sheet or alert closes: keyboard shortcuts reach only
        // the active window.
        if (!QApplication::activeModalWidget()) {
            window()->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
        }
    }

    void saveScreenshot(const QString& name) const
    {
        QWidget* modal = QApplication::activeModalWidget();
        saveWindowScreenshots(modal ? *modal : *window(), name);
    }

    void typePassword(const QString& password) const
    {
        QLineEdit* field = shown<QLineEdit>("Senha do cofre");
        ASSERT_NE(field, nullptr);
        QTest::keyClicks(field, password);
        QTest::keyClick(field, Qt::Key_Return);
    }

    QStringList listedNames() const
    {
        QStringList names;
        for (const VaultContentItem& item : store->content()) {
            names.append(item.name);
        }
        return names;
    }

    // Everything a user does, in order; returns early at the first failed assertion.
    void useTheWindow()
    {
        ASSERT_NE(window(), nullptr);
        awaitIdle([] { return true; });

        // Create a vault in the sheet, filled in from the keyboard, its first content chosen in
        // Qt's own folder dialog; the original folder stays.
        clickToolbarButton("Novo cofre");
        createInTheSheet("Documentos pessoais", source);
        awaitIdle([&] { return store->vaults().size() == 1 && listedNames() == QStringList{"Fotos"}; });
        const Vault vault = store->vaults().first();

        // Its recovery key, shown once over the window: copied, then put away; then how much of
        // the vault is used.
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown<RecoveryKeySheet>() != nullptr; }));
        EXPECT_TRUE(QRegularExpression("^([0-9a-f]{4}-){7}[0-9a-f]{4}\\n([0-9a-f]{4}-){7}[0-9a-f]{4}$")
                        .match(shown<QLabel>("Chave de recuperação")->text())
                        .hasMatch());
        saveScreenshot("recovery-key");
        putAwayRecoveryKey();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown<QProgressBar>("Espaço usado no cofre") != nullptr; }));
        EXPECT_TRUE(QRegularExpression("^\\d+(,\\d)? kB de 10 GB usados$")
                        .match(shown<QProgressBar>("Espaço usado no cofre")->accessibleDescription())
                        .hasMatch())
            << shown<QProgressBar>("Espaço usado no cofre")->accessibleDescription().toStdString();
        EXPECT_TRUE(QFile::exists(source + "/praia.jpg"));

        // A file dropped anywhere on the window goes into the open vault.
        const QString note = root.path() + "/nota.txt";
        TestFiles::writeFile(note, "lembrete");
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(note)});
        QDragEnterEvent enter({10, 10}, Qt::CopyAction | Qt::MoveAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop({10, 10}, Qt::CopyAction | Qt::MoveAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &drop);
        awaitIdle([&] { return listedNames() == QStringList({"Fotos", "nota.txt"}); });
        EXPECT_TRUE(QFile::exists(note));
        saveScreenshot("unlocked-items");

        // A second vault from the menu bar's "Cofre" menu; coming back to the first shows its
        // items at once, with no operation to list them again.
        triggerMenuEntry("Cofre", "Novo cofre…");
        createInTheSheet("Notas", {});
        awaitIdle([&] { return store->vaults().size() == 2 && store->selectedVaultID() != vault.id; });
        putAwayRecoveryKey();
        EXPECT_NE(shown<QLabel>("Cofre vazio"), nullptr);
        auto* vaultList = shown<QListWidget>("Cofres");
        ASSERT_NE(vaultList, nullptr);
        vaultList->setCurrentRow(0);
        EXPECT_FALSE(store->isBusy());
        auto* items = shown<QTreeView>("Itens do cofre");
        ASSERT_NE(items, nullptr);
        ASSERT_EQ(items->model()->rowCount(), 2);
        EXPECT_EQ(items->model()->index(0, 0).data().toString(), "Fotos");
        // A screen reader hears what kind of item a row is, not only its name.
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(items);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(list->tableInterface(), nullptr);
        EXPECT_EQ(list->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), "Pasta: Fotos");
        EXPECT_EQ(list->tableInterface()->cellAt(1, 0)->text(QAccessible::Name), "Arquivo: nota.txt");

        // The keyboard opens the selected vault's menu; an unlocked vault says why its password
        // cannot be changed now.
        QStringList menuEntries;
        QTimer::singleShot(0, [&menuEntries] {
            QWidget* popup = QApplication::activePopupWidget();
            for (QAction* action : popup ? popup->actions() : QList<QAction*>()) {
                if (!action->isSeparator()) {
                    menuEntries.append(action->text() + (action->isEnabled() ? "" : " (" + action->toolTip() + ")"));
                }
            }
            if (popup) {
                popup->close();
            }
        });
        vaultList->setFocus();
        QTest::keyClick(vaultList, Qt::Key_F10, Qt::ShiftModifier);
        EXPECT_EQ(menuEntries,
                  QStringList({"Bloquear", "Abrir no gerenciador de arquivos", "Adicionar…", "Aumentar capacidade…",
                               "Alterar senha… (Bloqueie o cofre para alterar a senha.)",
                               "Mostrar chave de recuperação… (Bloqueie o cofre para ver a chave de recuperação.)",
                               "Redefinir senha com a chave… (Bloqueie o cofre para redefinir a senha.)",
                               "Verificar cofre… (Bloqueie o cofre para verificá-lo.)", "Apagar cofre…"}));

        // Lock from the toolbar; a wrong password is refused with the exact text and the
        // field is empty and focused again.
        clickToolbarButton("Bloquear");
        awaitIdle([&] { return store->state(vault.id) == VaultRowState::locked; });
        EXPECT_EQ(RealMounts::mountPointsUnder(runtimeFolder()).size(), 1) << "only \"Notas\" stays open";
        typePassword("senha errada");
        awaitIdle([&] { return store->unlockFailureMessage(vault.id).has_value(); });
        auto* failure = shown<InlineMessage>();
        ASSERT_NE(failure, nullptr);
        EXPECT_EQ(failure->text(), "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
        QLineEdit* passwordField = shown<QLineEdit>("Senha do cofre");
        EXPECT_TRUE(passwordField->text().isEmpty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == passwordField; }));
        saveScreenshot("locked-refused");

        typePassword(password);
        awaitIdle([&] {
            return store->status() == VaultStatus::unlocked && listedNames() == QStringList({"Fotos", "nota.txt"});
        });

        // Trash the item with the Delete key, after confirming.
        items = shown<QTreeView>("Itens do cofre");
        items->setFocus();
        items->setCurrentIndex(items->model()->index(0, 0));
        QTest::keyClick(items, Qt::Key_Delete);
        saveScreenshot("trash-confirmation");
        answerAlert("Mover “Fotos” para a Lixeira");
        awaitIdle([&] { return listedNames() == QStringList{"nota.txt"}; });

        // Delete the vault after confirming: its image goes to the Trash, the catalogue is
        // empty and nothing stays mounted.
        emit window()->contentView()->findChild<VaultSidebarView*>()->actionRequested(
            vault.id, SidebarRowModel::Action::requestDelete);
        saveScreenshot("delete-confirmation");
        answerAlert("Apagar “Documentos pessoais”");
        awaitIdle([&] { return store->vaults().size() == 1; });
        EXPECT_FALSE(QFile::exists(vault.imageURL.toLocalFile()));
        EXPECT_EQ(
            QDir(QDir::homePath() + "/.local/share/Trash/files").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
            1);
        // "Notas" is still open: quitting locks it.
        EXPECT_EQ(RealMounts::mountPointsUnder(runtimeFolder()).size(), 1);
    }

    // Fills in the create sheet from the keyboard and creates; `folder`, when given, is chosen
    // as the first content in Qt's own folder dialog, typed in as a user does.
    void createInTheSheet(const QString& name, const QString& folder) const
    {
        auto* sheet = shown<CreateVaultSheet>();
        ASSERT_NE(sheet, nullptr);
        QTest::keyClicks(shown<QLineEdit>("Nome"), name);
        QTest::keyClicks(shown<QLineEdit>("Senha"), password);
        QTest::keyClicks(shown<QLineEdit>("Confirmar senha"), password);
        if (!folder.isEmpty()) {
            QTest::mouseClick(shown<QPushButton>("Escolher…"), Qt::LeftButton);
            auto* picker = shown<QFileDialog>();
            ASSERT_NE(picker, nullptr);
            auto* path = picker->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(path, nullptr);
            path->setText(folder);
            QTest::keyClick(path, Qt::Key_Return);
            ASSERT_TRUE(QTest::qWaitFor([&] { return shown<QPushButton>("Alterar…") != nullptr; }));
        }
        saveScreenshot("create-sheet");
        QTest::keyClick(sheet, Qt::Key_Return);
    }

    // The key sheet a creation ends with: copied, then closed.
    void putAwayRecoveryKey() const
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown<RecoveryKeySheet>() != nullptr; }));
        shown<QPushButton>("Copiar")->click();
        shown<QPushButton>("Guardei a chave de recuperação")->click();
        awaitIdle([&] { return shown<RecoveryKeySheet>() == nullptr; });
    }

    void triggerMenuEntry(const QString& menuTitle, const QString& entry) const
    {
        for (QAction* menu : window()->menuBar()->actions()) {
            if (menu->text().remove('&') != menuTitle) {
                continue;
            }
            emit menu->menu()->aboutToShow();
            for (QAction* item : menu->menu()->actions()) {
                if (item->text() == entry) {
                    ASSERT_TRUE(item->isEnabled()) << entry.toStdString();
                    item->trigger();
                    return;
                }
            }
        }
        ADD_FAILURE() << "no " << entry.toStdString() << " in the menu " << menuTitle.toStdString();
    }

    static QString runtimeFolder() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"; }

    QTemporaryDir root;
    const KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    const QString source = root.path() + "/Fotos";
    const QString password = "correto cavalo bateria";
    VaultStore* store = nullptr;
    GocryptfsMountGuard mounts{{runtimeFolder()}};
};

TEST_F(KovaraWindowOnRealMounts, AVaultFromCreationToDeletionAndQuittingThroughTheMenu)
{
    TestFiles::writeFile(source + "/praia.jpg", TestFiles::patternedBytes(300'000));
    KovaraApp kovara([this] {
        const auto live = std::make_shared<LiveStore>(paths);
        store = &live->store;
        return std::shared_ptr<VaultStore>(live, &live->store);
    });
    QTimer::singleShot(0, [this] {
        useTheWindow();
        triggerMenuEntry("Kovara", "Sair");
    });
    // A quit that never ends (the window holding it back, a vault that never locks) ends here.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(2 * generousWait);

    EXPECT_EQ(kovara.run({}), 0) << "the application quits through its menu once every vault is locked";
}

} // namespace
