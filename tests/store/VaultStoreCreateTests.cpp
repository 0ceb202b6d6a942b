#include "support/VaultStoreFixture.h"

#include "model/VaultError.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

namespace {

using CreateTest = VaultStoreFixture;

QString repeated(const QString& text, int times)
{
    QString result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

TEST_F(CreateTest, requestsAreCheckedRuleByRuleInOrder)
{
    makeStore({"Cofre Pessoal"});
    struct Case
    {
        QString name;
        QString password;
        int size;
        QString refusal; // empty: accepted
    };
    const QString nul(QChar(u'\0'));
    const QString combiningAccent = QString(QChar(u'e')) + QChar(0x0301); // one character, two code units
    const QList<Case> cases = {
        {"  " + repeated("a", 80) + "\n", "senha-longa", 1, {}},
        {repeated("a", 81), "senha-longa", 1, "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'."},
        {repeated(combiningAccent, 80), "senha-longa", 1, {}},
        {" \t ", "", 0, "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'."},
        {"a/b", "senha-longa", 1, "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'."},
        {"a:b", "senha-longa", 1, "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'."},
        {"a\ab", "senha-longa", 1, "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'."},
        {"Trabalho", "", 0, "Informe uma senha para criptografar o cofre."},
        {"Trabalho", "abc" + nul + "defgh", 0, "A senha contém um caractere não suportado."},
        {"Trabalho", "1234567", 0, "Use pelo menos 8 caracteres na senha do novo cofre."},
        {"Trabalho", repeated(combiningAccent, 7), 1, "Use pelo menos 8 caracteres na senha do novo cofre."},
        {"Trabalho", repeated(combiningAccent, 8), 1, {}},
        {"Trabalho", "12345678", 0, "Escolha um tamanho entre 1 GB e 2.048 GB."},
        {"Trabalho", "12345678", 2049, "Escolha um tamanho entre 1 GB e 2.048 GB."},
        {"Trabalho", "12345678", 2048, {}},
        {"  cofre pessoal", "12345678", 1, "Já existe um cofre com esse nome."},
        {"Côfre PESSOAL", "12345678", 0, "Escolha um tamanho entre 1 GB e 2.048 GB."},
        {"Côfre PESSOAL", "12345678", 1, "Já existe um cofre com esse nome."},
    };
    for (const Case& request : cases) {
        SCOPED_TRACE(request.name.toStdString() + " / " + request.password.toStdString());
        store->clearMessages();
        if (request.refusal.isEmpty()) {
            EXPECT_EQ(store->validatedNewVaultRequest(request.name, request.password, request.size),
                      request.name.trimmed());
            continue;
        }
        EXPECT_FALSE(store->enqueueCreateVault(request.name, request.password, request.size));
        EXPECT_EQ(store->errorMessage(), request.refusal);
        EXPECT_FALSE(store->isBusy());
        EXPECT_EQ(store->activeOperation(), std::nullopt);
    }
    EXPECT_TRUE(services.disk.calls.isEmpty());

    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    EXPECT_FALSE(store->enqueueCreateVault("Trabalho", "12345678", 1));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    store->endOperation();
}

TEST_F(CreateTest, aCreatedVaultIsCataloguedSelectedUnlockedAndEmpty)
{
    makeStore({"Antigo"});
    QList<VaultOperationPhase> phases;
    QObject::connect(store.get(), &VaultStore::activeOperationChanged, [&] {
        if (store->activeOperation() && (phases.isEmpty() || phases.last() != store->activeOperation()->phase)) {
            phases.append(store->activeOperation()->phase);
        }
    });
    services.disk.hold();
    ASSERT_TRUE(store->enqueueCreateVault(" Diário ", "senha-longa", 2));
    EXPECT_TRUE(store->isBusy());
    EXPECT_EQ(store->busyVaultID(), std::nullopt) << "the new id is not known yet";
    ASSERT_TRUE(QTest::qWaitFor([this] { return services.disk.operations().contains("attach"); }, 120000));

    const Vault created = services.disk.calls.last().vault;
    EXPECT_EQ(services.disk.calls.last().password, "senha-longa");
    EXPECT_EQ(store->busyVaultID(), created.id);
    EXPECT_EQ(store->activeOperation()->targetVaultID, created.id);
    EXPECT_EQ(store->vaults().last(), created) << "catalogued before it is unlocked";
    EXPECT_EQ(VaultRegistry(paths).load(), store->vaults());
    EXPECT_EQ(store->selectedVaultID(), created.id);
    EXPECT_EQ(created.name, "Diário");
    EXPECT_EQ(created.imageURL,
              QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() +
                                  created.id.toString(QUuid::WithoutBraces).toLower() + ".sparsebundle"));
    EXPECT_TRUE(QFileInfo(created.imageURL.toLocalFile()).isDir());

    services.disk.attachOutcomes.push({sessionOf(created), MountProtectionReport{}});
    services.disk.release();
    ASSERT_TRUE(becomesIdle());

    EXPECT_EQ(phases, QList<VaultOperationPhase>({VaultOperationPhase::preparingVault,
                                                  VaultOperationPhase::creatingVault,
                                                  VaultOperationPhase::unlockingVault,
                                                  VaultOperationPhase::refreshing}));
    EXPECT_EQ(store->activeOperation(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), "Cofre criado e desbloqueado.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
    EXPECT_EQ(store->sessions().value(created.id), sessionOf(created));
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(services.content.listedMountPoints, QList<QUrl>{sessionOf(created).mountPoint});
}

TEST_F(CreateTest, aVaultThatCannotBeUnlockedStaysCataloguedSelectedAndLocked)
{
    makeStore();
    services.disk.attachOutcomes.pushError(VaultError(VaultError::Kind::unlockFailed));
    const std::optional<Vault> created = waitForTask(store->createVault("Fotos", "senha-longa", 1));

    ASSERT_TRUE(created);
    EXPECT_EQ(store->vaults(), QList<Vault>{*created});
    EXPECT_EQ(VaultRegistry(paths).load(), store->vaults());
    EXPECT_EQ(store->selectedVaultID(), created->id);
    EXPECT_EQ(store->status(), VaultStatus::locked);
    EXPECT_EQ(store->errorMessage(), "O cofre foi criado, mas não pôde ser desbloqueado: Não foi possível "
                                     "desbloquear este cofre. Confira a senha e tente novamente.");
    EXPECT_EQ(store->unlockFailure(), std::nullopt) << "a new vault's failure is a banner, not an inline hint";
    EXPECT_EQ(store->noticeMessage(), "O cofre foi criado e permanece bloqueado.");
    EXPECT_FALSE(store->isBusy());
}

TEST_F(CreateTest, aCatalogueThatCannotBeWrittenTakesTheNewImageAway)
{
    makeStore();
    // Only the write fails: the catalogue was read when the store was built.
    ASSERT_TRUE(QFile::remove(paths.registryURL.toLocalFile()));
    ASSERT_TRUE(QDir().mkpath(paths.registryURL.toLocalFile()));

    EXPECT_EQ(waitForTask(store->createVault("Fotos", "senha-longa", 1)), std::nullopt);

    EXPECT_TRUE(store->vaults().isEmpty());
    EXPECT_EQ(store->selectedVaultID(), std::nullopt);
    ASSERT_TRUE(store->errorMessage());
    EXPECT_FALSE(store->errorMessage()->isEmpty());
    EXPECT_TRUE(QDir(paths.storageDirectory.toLocalFile()).entryList({"*.sparsebundle"}, QDir::AllEntries).isEmpty())
        << "no image is left without its catalogue entry";
    EXPECT_FALSE(services.disk.operations().contains("attach"));
    EXPECT_FALSE(store->isBusy());
}

TEST_F(CreateTest, theInitialFolderIsCopiedInAndItsNoticeReplacesTheCreationNotice)
{
    makeStore();
    const QUrl folder = QUrl::fromLocalFile(root.path() + "/Documentos");
    for (const bool copyFails : {false, true}) {
        SCOPED_TRACE(copyFails ? "the copy fails" : "the copy succeeds");
        if (copyFails) {
            services.content.addFailureBySource.insert(folder, std::make_exception_ptr(VaultError::sourceMissing(
                                                                   "Documentos")));
        }
        QList<std::optional<QString>> itemNames;
        const QMetaObject::Connection watch =
            QObject::connect(store.get(), &VaultStore::activeOperationChanged, [&] {
                if (store->activeOperation() && store->activeOperation()->phase == VaultOperationPhase::preparingCopy) {
                    itemNames.append(store->activeOperation()->currentItemName);
                }
            });
        services.disk.hold();
        ASSERT_TRUE(store->enqueueCreateVault(copyFails ? "Falha" : "Sucesso", "senha-longa", 1, folder));
        ASSERT_TRUE(QTest::qWaitFor([this] { return services.disk.operations().contains("attach"); }, 120000));
        const Vault created = services.disk.calls.last().vault;
        services.disk.calls.clear();
        services.disk.attachOutcomes.push({sessionOf(created), MountProtectionReport{}});
        services.disk.mountedSessionsOutcomes.setStanding(mounted({sessionOf(created)}));
        services.disk.release();
        ASSERT_TRUE(becomesIdle());
        QObject::disconnect(watch);

        EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions", "protectExistingMount"}))
            << "the import finds the vault the create unlocked";
        ASSERT_FALSE(services.content.addCalls.isEmpty());
        EXPECT_EQ(services.content.addCalls.last().first, QList<QUrl>{folder});
        EXPECT_EQ(services.content.addCalls.last().second, sessionOf(created).mountPoint);
        ASSERT_FALSE(itemNames.isEmpty());
        EXPECT_EQ(itemNames.first(), "Documentos");
        EXPECT_EQ(store->selectedVaultID(), created.id);
        EXPECT_EQ(store->status(), VaultStatus::unlocked);
        if (copyFails) {
            EXPECT_EQ(store->noticeMessage(), "Cofre criado e desbloqueado.") << "the import had nothing to say";
            EXPECT_EQ(store->errorMessage(), "Documentos: O item de origem não foi encontrado: Documentos.");
        } else {
            EXPECT_EQ(store->noticeMessage(), "Item adicionado ao cofre. A origem foi preservada.");
            EXPECT_EQ(store->errorMessage(), std::nullopt);
        }
    }
}

TEST_F(CreateTest, aCreateCancelledBeforeItsFirstStepCreatesNothing)
{
    makeStore({"Antigo"});
    ASSERT_TRUE(store->enqueueCreateVault("Novo", "senha-longa", 1));
    ASSERT_TRUE(store->canCancelActiveOperation());
    store->cancelActiveOperation();
    EXPECT_EQ(store->activeOperation()->phase, VaultOperationPhase::cancelling);
    ASSERT_TRUE(becomesIdle());

    EXPECT_EQ(store->errorMessage(), "A operação foi cancelada.");
    EXPECT_EQ(store->vaults().size(), 1);
    EXPECT_EQ(VaultRegistry(paths).load(), store->vaults());
    EXPECT_EQ(QDir(paths.storageDirectory.toLocalFile()).entryList({"*.sparsebundle"}, QDir::AllEntries).size(), 1)
        << "only the old vault's image is there";
    EXPECT_EQ(store->activeOperation(), std::nullopt);
}

} // namespace
