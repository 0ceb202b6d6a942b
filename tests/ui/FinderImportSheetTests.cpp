// Folders handed to a running Kovara by a second `kovara` process reach a vault through the
// import sheet, end to end: the application object on a private session bus with its real
// store, real gocryptfs volumes, the real `kovara` program as the sender, and the sheet driven
// as a user drives it.
#include "app/KovaraApp.h"
#include "app/MainWindow.h"
#include "store/VaultStore.h"
#include "support/FakeFinderWorkspace.h"
#include "support/PrivateSessionBus.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "ui/CreateVaultSheet.h"
#include "ui/FinderImportSheet.h"

#include <QComboBox>
#include <QDBusInterface>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int generousWait = 180'000;

template <typename Widget>
Widget* visible(QWidget& parent, const QString& accessibleName = {})
{
    for (Widget* widget : parent.findChildren<Widget*>()) {
        if (widget->isVisible() && (accessibleName.isEmpty() || widget->accessibleName() == accessibleName)) {
            return widget;
        }
    }
    return nullptr;
}

QPushButton* button(QWidget& parent, const QString& title)
{
    for (QPushButton* candidate : parent.findChildren<QPushButton*>()) {
        if (candidate->isVisible() && candidate->text() == title) {
            return candidate;
        }
    }
    return nullptr;
}

QStringList shownFolders(const FinderImportSheet& sheet)
{
    QStringList names;
    for (const auto& row : sheet.model().folders) {
        names.append(row.name);
    }
    return names;
}

class FinderImportSheetEndToEnd : public testing::Test
{
protected:
    static void SetUpTestSuite() { KovaraApp::configure(*qApp); }

    // `kovara ARGUMENT…` run from the sources folder, as a user would type it.
    void sendFolders(const QStringList& arguments)
    {
        QProcess kovara;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        environment.insert("DESKTOP_STARTUP_ID", "kovara-test_TIME1234");
        kovara.setProcessEnvironment(environment);
        kovara.setWorkingDirectory(sources.path());
        kovara.start(QCoreApplication::applicationDirPath() + "/kovara", arguments);
        // This process is the running Kovara that answers: its event loop runs meanwhile.
        ASSERT_TRUE(QTest::qWaitFor([&] { return kovara.state() == QProcess::NotRunning; }, generousWait));
        ASSERT_EQ(kovara.exitCode(), 0) << kovara.readAllStandardError().toStdString();
    }

    FinderImportSheet* shownSheet()
    {
        FinderImportSheet* sheet = nullptr;
        (void)QTest::qWaitFor([&] { return (sheet = visible<FinderImportSheet>(*app.mainWindow())) != nullptr; });
        return sheet;
    }

    // The store runs a refresh asked for meanwhile on the turn after an operation ends, so idle
    // means idle again after that turn.
    bool awaitIdle()
    {
        const auto idle = [&] { return !store->isBusy(); };
        if (!QTest::qWaitFor(idle, generousWait)) {
            return false;
        }
        QCoreApplication::processEvents();
        return QTest::qWaitFor(idle, generousWait);
    }

    QStringList pendingFolders()
    {
        return QDBusInterface("com.kovara.Kovara", "/com/kovara/Kovara", "com.kovara.Kovara", connection)
            .property("PendingFolders")
            .toStringList();
    }

    void expectCopied(const QString& name)
    {
        const QString copy = store->sessions().value(store->vaults().first().id).mountPoint.toLocalFile() + name;
        EXPECT_EQ(TestFiles::snapshot(sources.path() + "/" + name), TestFiles::snapshot(copy)) << name.toStdString();
    }

    PrivateSessionBus bus;
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), "kovara-sheet-test");
    QTemporaryDir sources;
    QTemporaryDir root;
    FakeFinderWorkspace fileManager;
    GocryptfsMountGuard unmountOnExit{{qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"}};
    std::shared_ptr<VaultStore> store;
    KovaraApp app{[this] {
        store = std::make_shared<VaultStore>(KovaraPaths::under(root.path() + "/Kovara"), fileManager);
        return store;
    }};
};

TEST_F(FinderImportSheetEndToEnd, FoldersFromASecondKovaraFillANewVaultAndThenALockedOneOnceItsPasswordIsRight)
{
    ASSERT_TRUE(connection.isConnected());
    TestFiles::createSampleTree(sources.path() + "/Relatórios 2024", 300 * 1024);
    TestFiles::writeFile(sources.path() + "/-rascunhos/ideias.txt", "primeira ideia\n");
    TestFiles::writeFile(sources.path() + "/Contratos/2024/aluguel.pdf", TestFiles::patternedBytes(70'000));
    TestFiles::writeFile(sources.path() + "/Fotos/praia.jpg", TestFiles::patternedBytes(250'000, 'f'));

    ASSERT_EQ(app.start({}, connection, {}), std::nullopt);
    ASSERT_TRUE(awaitIdle()) << "the first refresh ends";

    // With no vault, the sheet offers to create one; the new vault is then the destination.
    sendFolders({"--", "Relatórios 2024", "-rascunhos"});
    FinderImportSheet* sheet = shownSheet();
    ASSERT_NE(sheet, nullptr);
    // The sheet stays centred over the window when the window manager (here the test) moves it.
    MainWindow& window = *app.mainWindow();
    window.move(window.pos() + QPoint(90, 60));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet->frameGeometry().center() == window.frameGeometry().center(); }))
        << sheet->frameGeometry().center().x() << "," << sheet->frameGeometry().center().y();
    EXPECT_EQ(shownFolders(*sheet), (QStringList{"Relatórios 2024", "-rascunhos"}));
    EXPECT_TRUE(sheet->model().offersFirstVault);
    ASSERT_NE(button(*sheet, "Criar cofre"), nullptr);
    button(*sheet, "Criar cofre")->click();
    CreateVaultSheet* create = visible<CreateVaultSheet>(*sheet);
    ASSERT_NE(create, nullptr);
    visible<QLineEdit>(*create, "Nome")->setText("Documentos");
    visible<QLineEdit>(*create, "Senha")->setText("senha do cofre");
    visible<QLineEdit>(*create, "Confirmar senha")->setText("senha do cofre");
    ASSERT_TRUE(awaitIdle()) << "the sheet's own refresh ends";
    button(*create, "Criar cofre")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->vaults().size() == 1 && !store->isBusy(); }, generousWait));
    ASSERT_TRUE(awaitIdle());
    auto* picker = visible<QComboBox>(*sheet, "Cofre");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->currentText(), "Documentos");
    QPushButton* add = button(*sheet, "Adicionar 2 pastas");
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return add->isEnabled(); }));
    add->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pendingFolders().isEmpty() && !store->isBusy(); }, generousWait));
    EXPECT_TRUE(QTest::qWaitFor([&] { return visible<FinderImportSheet>(*app.mainWindow()) == nullptr; }));
    expectCopied("Relatórios 2024");
    expectCopied("-rascunhos");

    // A locked vault: a wrong password shows why and keeps the folders waiting; the right one
    // copies them in.
    ASSERT_TRUE(awaitIdle());
    store->lock(store->vaults().first().id, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->sessions().isEmpty() && !store->isBusy(); }, generousWait))
        << store->errorMessage().value_or("").toStdString();
    sendFolders({"Contratos", "Fotos"});
    sheet = shownSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(shownFolders(*sheet), (QStringList{"Contratos", "Fotos"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->model().status == FinderImportSheetModel::Status::locked; }));
    QPushButton* unlockAndAdd = button(*sheet, "Desbloquear e adicionar 2 pastas");
    ASSERT_NE(unlockAndAdd, nullptr);
    EXPECT_FALSE(unlockAndAdd->isEnabled()) << "not without the password";
    const QString screenshots = QCoreApplication::applicationDirPath() + "/../screenshots";
    QDir().mkpath(screenshots);
    EXPECT_TRUE(sheet->grab().save(screenshots + "/kovara-adicionar.png"));
    QLineEdit* password = visible<QLineEdit>(*sheet, "Senha do cofre");
    ASSERT_NE(password, nullptr);
    ASSERT_TRUE(awaitIdle()) << "the sheet's own refresh ends";
    password->setText("senha errada");
    ASSERT_TRUE(unlockAndAdd->isEnabled());
    unlockAndAdd->click();
    QMessageBox* alert = nullptr;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (alert = visible<QMessageBox>(*app.mainWindow())) != nullptr; }, generousWait));
    EXPECT_EQ(alert->text(), "Não foi possível concluir");
    EXPECT_EQ(alert->informativeText(), "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
    EXPECT_EQ(pendingFolders().size(), 2);
    EXPECT_EQ(visible<FinderImportSheet>(*app.mainWindow()), sheet);
    ASSERT_NE(button(*alert, "OK"), nullptr);
    button(*alert, "OK")->click();

    ASSERT_TRUE(awaitIdle());
    password->setText("senha do cofre");
    ASSERT_TRUE(unlockAndAdd->isEnabled());
    unlockAndAdd->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pendingFolders().isEmpty() && !store->isBusy(); }, generousWait));
    expectCopied("Contratos");
    expectCopied("Fotos");

    // Quitting from the menu locks the vault again.
    for (QAction* action : app.mainWindow()->menuBar()->actions().first()->menu()->actions()) {
        if (action->text() == "Sair") {
            action->trigger();
        }
    }
    ASSERT_TRUE(awaitIdle()) << "quitting has confirmed the lock";
    EXPECT_EQ(RealMounts::mountPointsUnder(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"), QStringList{});
}

} // namespace
