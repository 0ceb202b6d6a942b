#include "app/KovaraApp.h"
#include "app/KovaraUpdater.h"
#include "app/MainWindow.h"
#include "app/TerminationController.h"
#include "finder/FinderImportCoordinator.h"
#include "finder/FinderServiceProvider.h"
#include "model/VaultRegistry.h"
#include "support/InspectableVaultStore.h"
#include "support/RealMounts.h"
#include "support/WindowScreenshot.h"
#include "ui/ChangePasswordSheet.h"
#include "ui/ContentView.h"
#include "ui/CreateVaultSheet.h"
#include "ui/InlineMessage.h"
#include "ui/KovaraBrand.h"
#include "ui/OperationBannerModel.h"
#include "ui/VaultSidebarView.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The store opened up one step further, so a test can leave some vaults unconfirmed.
class StagedVaultStore : public InspectableVaultStore
{
public:
    using InspectableVaultStore::InspectableVaultStore;
    using VaultStore::setAttentionVaultIDs;
};

class MainWindowTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { KovaraApp::configure(*qApp); }

    Vault addVault(const QString& name, bool withImage)
    {
        const QUuid id = QUuid::createUuid();
        const QString image =
            paths.storageDirectory.toLocalFile() + "/" + id.toString(QUuid::WithoutBraces) + ".sparsebundle";
        if (withImage) {
            QDir().mkpath(image);
        }
        vaults.append(Vault{id, name, QUrl::fromLocalFile(image), QDateTime::currentDateTimeUtc()});
        return vaults.last();
    }

    std::unique_ptr<StagedVaultStore> makeStore()
    {
        QDir().mkpath(paths.storageDirectory.toLocalFile());
        if (!vaults.isEmpty()) {
            VaultRegistry(paths).save(vaults);
        }
        return std::make_unique<StagedVaultStore>(paths, services);
    }

    std::unique_ptr<MainWindow> makeWindow(VaultStore& store)
    {
        return std::make_unique<MainWindow>(store, finderImport, finderService, updater, termination);
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    QList<Vault> vaults;
    StoreTestServices services{paths};
    FinderImportCoordinator finderImport;
    FinderServiceProvider finderService{[this](const QList<QUrl>& urls) { finderImport.receive(urls); }};
    KovaraUpdater updater{QUrl("https://updates.kovara.example/appcast.xml"), "1.0"};
    int terminationAttempts = 0;
    TerminationController termination{[this]() -> QCoro::Task<bool> {
        ++terminationAttempts;
        co_return false;
    }};
};

// The alert the window shows, once it is the only one open.
QMessageBox* visibleAlert(QWidget& window)
{
    QMessageBox* shown = nullptr;
    // A missing alert shows as the null answer the caller checks.
    (void)QTest::qWaitFor([&] {
        shown = nullptr;
        for (QMessageBox* alert : window.findChildren<QMessageBox*>()) {
            if (alert->isVisible()) {
                shown = alert;
            }
        }
        return shown != nullptr;
    });
    return shown;
}

// The lines shown under a sheet's fields, in order.
QStringList visibleMessages(const QWidget& sheet)
{
    QStringList messages;
    for (InlineMessage* message : sheet.findChildren<InlineMessage*>()) {
        if (message->isVisible()) {
            messages.append(message->text());
        }
    }
    return messages;
}

QAbstractButton* buttonTitled(QMessageBox& alert, const QString& title)
{
    for (QAbstractButton* button : alert.buttons()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

TEST_F(MainWindowTest, SpeaksBrazilianPortugueseEvenInQtsOwnButtons)
{
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Cancelar");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), "&Sim");
    EXPECT_EQ(QLocale().name(), "pt_BR");
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), KovaraBrand::tint());
}

TEST_F(MainWindowTest, AnEmptyCatalogueWelcomesWithTheCreateButtonAndTheFirstShowRefreshes)
{
    const auto store = makeStore();
    const auto window = makeWindow(*store);
    QSignalSpy busy(store.get(), &VaultStore::isBusyChanged);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    EXPECT_TRUE(QTest::qWaitFor([&] { return busy.count() == 2; }))
        << "the first show runs one refresh through the gate";
    EXPECT_EQ(window->windowTitle(), "Kovara");
    // Never larger than the screen (a scaled desktop can be small), never smaller than its content.
    const QSize largest = window->screen()->availableSize().expandedTo(window->minimumSizeHint());
    EXPECT_EQ(window->size().boundedTo(largest), window->size());
    EXPECT_EQ(window->size().expandedTo(window->minimumSizeHint()), window->size());
    EXPECT_EQ(window->contentView()->detailScreen().screen, DetailScreenModel::Screen::empty);

    QPushButton* create = nullptr;
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == "Criar cofre" && button->isVisible()) {
            create = button;
        }
    }
    ASSERT_NE(create, nullptr);
    create->click();
    EXPECT_NE(window->findChild<CreateVaultSheet*>(), nullptr) << "the welcome screen's button opens the create sheet";
    saveWindowScreenshots(*window, "empty");

    window->hide();
    window->show();
    EXPECT_EQ(busy.count(), 2) << "showing the window again does not refresh again";
}

TEST_F(MainWindowTest, TheSidebarShowsEveryStateAndTheBannersTheirMessages)
{
    const Vault unlocked = addVault("Documentos pessoais", true);
    const Vault locked = addVault("Fotos da família", true);
    const Vault missing = addVault("Contratos 2023", false);
    const Vault unconfirmed = addVault("Projetos", true);
    const auto store = makeStore();
    const auto window = makeWindow(*store);
    QSignalSpy busy(store.get(), &VaultStore::isBusyChanged);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return busy.count() == 2; })) << "the first refresh has ended";

    store->installSessions(
        {{unlocked.id, VaultSession{unlocked.id, QUrl::fromLocalFile("/run/kovara/Documentos"), "fuse:0:51"}}});
    store->setAttentionVaultIDs({unconfirmed.id});
    store->selectVault(missing.id);
    ASSERT_TRUE(store->beginOperation(locked.id, false, false));
    store->setNoticeMessage(QString::fromUtf8("Cofre “Fotos da família” bloqueado."));
    finderImport.receive({QUrl::fromLocalFile("/home/ana/Viagem")});
    finderImport.setPresented(false);

    const QList<SidebarRowModel> rows = window->contentView()->findChild<VaultSidebarView*>()->rowModels();
    ASSERT_EQ(rows.size(), 4);
    QStringList statuses;
    for (const SidebarRowModel& row : rows) {
        statuses.append(row.statusText);
    }
    EXPECT_EQ(statuses, (QStringList{"Desbloqueado", "Bloqueado", "Arquivo ausente", "Verificar estado"}));
    EXPECT_TRUE(rows.at(1).progressLabel.has_value());
    EXPECT_FALSE(rows.at(0).lockToggle->isEnabled);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Contratos 2023 — Kovara"));
    EXPECT_EQ(window->contentView()->detailScreen().screen, DetailScreenModel::Screen::missingImage);

    const auto visibleTexts = [&window] {
        QStringList texts;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            if (label->isVisible()) {
                texts.append(label->text());
            }
        }
        return texts;
    };
    const QString pending = QString::fromUtf8("Há itens do gerenciador de arquivos aguardando destino.");
    EXPECT_FALSE(visibleTexts().contains(pending)) << "nothing can be added while an operation runs";
    EXPECT_TRUE(visibleTexts().contains(QString::fromUtf8("Cofre “Fotos da família” bloqueado.")));
    saveWindowScreenshots(*window, "window");
    store->selectVault(unconfirmed.id);
    saveWindowScreenshots(*window, "needs-attention-busy");
    store->setDeletingVaultID(locked.id);
    store->selectVault(locked.id);
    EXPECT_EQ(window->contentView()->detailScreen().screen, DetailScreenModel::Screen::deleting);
    saveWindowScreenshots(*window, "deleting");

    store->endOperation();
    EXPECT_TRUE(visibleTexts().contains(pending));
    store->selectVault(unconfirmed.id);
    saveWindowScreenshots(*window, "needs-attention");
    store->selectVault(std::nullopt);
    EXPECT_EQ(window->contentView()->detailScreen().screen, DetailScreenModel::Screen::selectVault);
    EXPECT_EQ(window->windowTitle(), "Kovara");
    saveWindowScreenshots(*window, "select");
}

TEST_F(MainWindowTest, AQuitWaitingOnABusyVaultGoesOnOnceTheForcedLockSucceeds)
{
    const Vault busy = addVault("Documentos pessoais", true);
    const auto store = makeStore();
    const auto window = makeWindow(*store);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !store->isBusy(); })) << "the first show's refresh ends";

    // Quitting found the vault in use: the store says so and offers the forced lock.
    const VaultSession session{busy.id, QUrl::fromLocalFile("/run/kovara/Documentos"), "fuse:0:51"};
    store->installSessions({{busy.id, session}});
    store->selectVault(busy.id);
    saveWindowScreenshots(*window, "unlocked");
    services.disk.mountedSessionsOutcomes.push({{busy.id, session}});
    store->setErrorMessage(QString::fromUtf8("O cofre está em uso por: Editor."));
    store->setForceLockVaultID(busy.id);
    store->setForceLockContinuesTermination(true);

    QMessageBox* alert = visibleAlert(*window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QString::fromUtf8("Não foi possível concluir"));
    EXPECT_EQ(alert->informativeText(), QString::fromUtf8("O cofre está em uso por: Editor."));
    saveWindowScreenshots(*window, "force-lock");
    QAbstractButton* forceLock = buttonTitled(*alert, QString::fromUtf8("Forçar bloqueio e encerrar"));
    ASSERT_NE(forceLock, nullptr);
    forceLock->click();

    ASSERT_TRUE(QTest::qWaitFor([&] { return terminationAttempts == 1; })) << "quitting is asked for again";
    EXPECT_TRUE(services.disk.operations().contains("forceDetach"));
    EXPECT_EQ(store->state(busy.id), VaultRowState::locked);
    EXPECT_EQ(store->errorMessage(), std::nullopt);
}

// The sheet's "Criar cofre" button.
QPushButton* createButtonOf(const CreateVaultSheet& sheet)
{
    for (QPushButton* button : sheet.findChildren<QPushButton*>()) {
        if (button->text() == "Criar cofre") {
            return button;
        }
    }
    return nullptr;
}

TEST_F(MainWindowTest, TheCreateSheetSaysWhatIsMissingOnReturnAndStepsOnlyWithinItsCapacity)
{
    const auto store = makeStore();
    const auto window = makeWindow(*store);
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !store->isBusy(); })) << "the first show's refresh ends";
    window->contentView()->presentCreateSheet();
    auto* sheet = window->findChild<CreateVaultSheet*>();
    ASSERT_NE(sheet, nullptr);
    QTest::keyClicks(sheet->findChild<QLineEdit*>(), "   ");
    QPushButton* create = createButtonOf(*sheet);
    ASSERT_NE(create, nullptr);
    EXPECT_FALSE(create->isEnabled());
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible()) << "nothing to create yet";
    EXPECT_EQ(visibleMessages(*sheet), (QStringList{"Dê um nome ao cofre.", "Informe uma senha.",
                                                    "A senha não é salva nem pode ser recuperada."}));

    auto* capacity = sheet->findChild<QSpinBox*>();
    capacity->setValue(1);
    capacity->stepDown();
    EXPECT_EQ(capacity->value(), 1);
    capacity->setValue(2048);
    capacity->stepUp();
    EXPECT_EQ(capacity->value(), 2048);
    EXPECT_EQ(capacity->text(), "2048 GB");
    sheet->reject();

    // At a scale the screen cannot hold, the fields scroll and the buttons stay on the screen.
    const QFont usual = QApplication::font();
    QFont large = usual;
    large.setPointSizeF(usual.pointSizeF() * 4);
    QApplication::setFont(large);
    window->contentView()->presentCreateSheet();
    CreateVaultSheet* tall = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (auto* each : window->findChildren<CreateVaultSheet*>()) {
            tall = each->isVisible() ? each : tall;
        }
        return tall != nullptr;
    }));
    const QRect screen = tall->screen()->availableGeometry();
    EXPECT_GT(tall->sizeHint().height(), screen.height()) << "the sheet does not need to scroll";
    EXPECT_GE(tall->geometry().top(), screen.top());
    EXPECT_LE(tall->geometry().bottom(), screen.bottom());
    QPushButton* reachable = createButtonOf(*tall);
    ASSERT_NE(reachable, nullptr);
    const QRect button(reachable->mapToGlobal(QPoint(0, 0)), reachable->size());
    EXPECT_TRUE(reachable->isVisible() && tall->geometry().contains(button));
    tall->reject();
    QApplication::setFont(usual);
}

TEST_F(MainWindowTest, AVaultWhoseImageVanishedIsRemovedFromTheListOnlyAfterConfirmation)
{
    const Vault kept = addVault("Fotos da família", true);
    const Vault missing = addVault("Contratos 2023", false);
    const auto store = makeStore();
    const auto window = makeWindow(*store);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !store->isBusy(); })) << "the first show's refresh ends";
    auto* sidebar = window->contentView()->findChild<VaultSidebarView*>();

    emit sidebar->actionRequested(missing.id, SidebarRowModel::Action::requestDelete);
    QMessageBox* alert = visibleAlert(*window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Apagar cofre?");
    ASSERT_NE(buttonTitled(*alert, "Cancelar"), nullptr);
    buttonTitled(*alert, "Cancelar")->click();
    EXPECT_EQ(store->vaults().size(), 2) << "cancelling deletes nothing";

    emit sidebar->actionRequested(missing.id, SidebarRowModel::Action::requestDelete);
    alert = visibleAlert(*window);
    ASSERT_NE(alert, nullptr);
    QAbstractButton* remove = buttonTitled(*alert, QString::fromUtf8("Remover “Contratos 2023” da lista"));
    ASSERT_NE(remove, nullptr);
    remove->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->vaults().size() == 1 && !store->isBusy(); }));
    EXPECT_EQ(store->vaults().first().id, kept.id);
}

TEST_F(MainWindowTest, ALinkedImageCostsOnlyItsRowAndALostVaultIsOfferedBack)
{
    addVault("Fotos da família", true);
    const Vault linked = addVault("Contratos 2023", false);
    // Catalogued first: a link in the image's place is refused to a save, not to a load.
    QDir().mkpath(paths.storageDirectory.toLocalFile());
    VaultRegistry(paths).save(vaults);
    vaults.clear();
    QDir().mkpath(root.path() + "/fora");
    ASSERT_TRUE(QFile::link(root.path() + "/fora", linked.imageURL.toLocalFile()));
    const QString lostImage = paths.storageDirectory.toLocalFile() + "/" +
                              QUuid::createUuid().toString(QUuid::WithoutBraces) + ".sparsebundle";
    QDir().mkpath(lostImage);
    QFile metadata(lostImage + "/Info.plist");
    ASSERT_TRUE(metadata.open(QIODevice::WriteOnly));
    metadata.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                   "\t<key>capacity-bytes</key>\n\t<integer>1073741824</integer>\n"
                   "\t<key>volume-name</key>\n\t<string>Cartas &amp; recibos</string>\n</dict>\n</plist>\n");
    metadata.close();
    const auto store = makeStore();
    const auto window = makeWindow(*store);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    QMessageBox* offer = visibleAlert(*window);
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(offer->text(), QString::fromUtf8("Cofre encontrado: “Cartas & recibos”"));
    QStringList buttons;
    for (QAbstractButton* button : offer->buttons()) {
        EXPECT_EQ(button->accessibleName(), button->text());
        buttons.append(button->text());
    }
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Adicionar à lista", "Decidir depois", "Mover para a Lixeira"}));
    QStringList statuses;
    for (const SidebarRowModel& row : window->contentView()->findChild<VaultSidebarView*>()->rowModels()) {
        statuses.append(row.statusText);
    }
    EXPECT_EQ(statuses, (QStringList{"Bloqueado", QString::fromUtf8("Precisa de atenção")}));
    store->selectVault(linked.id);
    EXPECT_EQ(window->contentView()->detailScreen().message,
              QString::fromUtf8("A entrada de “Contratos 2023” no catálogo de cofres não pode ser usada. A "
                                "imagem de um cofre não pode ser um link simbólico. Os outros cofres não são afetados; "
                                "remova este da lista para continuar."));
    saveWindowScreenshots(*window, "lost-vault");

    buttonTitled(*offer, QString::fromUtf8("Adicionar à lista"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->vaults().size() == 3 && !store->isBusy(); }));
    EXPECT_EQ(store->vaults().last().name, QString::fromUtf8("Cartas & recibos"));
    EXPECT_EQ(store->state(store->vaults().last().id), VaultRowState::locked);
}

TEST_F(MainWindowTest, ChangingAPasswordSaysAWrongCurrentOneBesideItsFieldAndEndsWithTheNotice)
{
    const Vault vault = addVault("Cartas", false);
    const auto store = makeStore();
    ASSERT_EQ(
        RealMounts::runStandIn("kovara-hdiutil",
                               {"create", "-size", "1g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname", "Cartas",
                                "-encryption", "AES-256", "-stdinpass", "-nospotlight", vault.imageURL.toLocalFile()},
                               QByteArray("antiga senha", 13))
            .exitStatus,
        0);
    const auto window = makeWindow(*store);
    QStringList banners;
    QObject::connect(store.get(), &VaultStore::activeOperationChanged, [&] {
        if (const auto& operation = store->activeOperation()) {
            const OperationBannerModel banner =
                OperationBannerModel::make(*operation, store->canCancelActiveOperation());
            banners.append(banner.title + (banner.showsCancel ? " · Cancelar" : ""));
        }
    });
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !store->isBusy() && store->state(vault.id) == VaultRowState::locked; }));
    emit window->contentView()->findChild<VaultSidebarView*>()->actionRequested(
        vault.id, SidebarRowModel::Action::changePassword);
    const QPointer<ChangePasswordSheet> sheet = window->findChild<ChangePasswordSheet*>();
    ASSERT_NE(sheet, nullptr);
    const auto field = [&sheet](const QString& name) {
        for (QLineEdit* each : sheet->findChildren<QLineEdit*>()) {
            if (each->accessibleName() == name) {
                return each;
            }
        }
        return static_cast<QLineEdit*>(nullptr);
    };
    QTest::keyClicks(field("Senha atual"), "senha errada");
    QTest::keyClicks(field("Nova senha"), "curta");
    EXPECT_EQ(visibleMessages(*sheet).first(), "Use pelo menos 8 caracteres.");
    QTest::keyClicks(field("Nova senha"), " e nova");
    QTest::keyClicks(field("Confirmar nova senha"), "curta e nova");
    QTest::keyClick(sheet, Qt::Key_Return);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return visibleMessages(*sheet).contains("A senha atual está incorreta."); }, 60000));
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "said beside the field, not in an alert";
    EXPECT_TRUE(field("Senha atual")->text().isEmpty());
    EXPECT_TRUE(field("Senha atual")->hasFocus());

    QTest::keyClicks(field("Senha atual"), "antiga senha");
    QTest::keyClick(sheet, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet.isNull() && !store->isBusy(); }, 60000));
    EXPECT_EQ(store->noticeMessage(), QString::fromUtf8("A senha do cofre “Cartas” foi alterada."));
    EXPECT_EQ(banners, (QStringList{"Alterando a senha do cofre", "Alterando a senha do cofre"}));
}

} // namespace
