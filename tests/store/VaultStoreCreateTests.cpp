#include "model/CancellationError.h"
#include "support/TestFiles.h"
#include "support/VaultStoreFixture.h"

#include <QFile>
#include <QStandardPaths>

namespace {

using CreateTest = VaultStoreFixture;

TEST_F(CreateTest, requestsAreCheckedRuleByRuleInOrder)
{
    makeStore({"Cofre Pessoal"});
    const QString nul(QChar(u'\0'));
    const QString accent = QString(QChar(u'e')) + QChar(0x0301); // one character, two code units
    const QString badName = "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'.";
    const QString weak = "Use pelo menos 8 caracteres na senha do novo cofre.";
    const QString badSize = "Escolha um tamanho entre 1 GB e 2.048 GB.";
    const QString taken = "Já existe um cofre com esse nome.";
    const QString tooLong = "A senha é longa demais. Use no máximo 1.024 bytes (letras acentuadas ocupam 2).";
    const QString emoji = QString::fromUtf8("\U0001F510"); // four bytes in UTF-8, two code units
    const struct
    {
        QString name;
        QString password;
        int size;
        QString refusal; // empty: accepted
    } cases[] = {
        {"  " + QString(80, u'a') + "\n", "senha-longa", 1, {}},
        {QString(81, u'a'), "senha-longa", 1, badName},
        {accent.repeated(80), "senha-longa", 1, {}},
        {" \t ", "", 0, badName},
        {"a/b", "senha-longa", 1, badName},
        {"a:b", "senha-longa", 1, badName},
        {"a\ab", "senha-longa", 1, badName},
        {"Trabalho", "", 0, "Informe uma senha para criptografar o cofre."},
        {"Trabalho", "abc" + nul + "defgh", 0, "A senha contém um caractere não suportado."},
        {"Trabalho", "1234567", 0, weak},
        {"Trabalho", accent.repeated(7), 1, weak},
        {"Trabalho", accent.repeated(8), 1, {}},
        {"Trabalho", QString(512, u'é'), 1, {}},
        {"Trabalho", QString(512, u'é') + "a", 0, tooLong},
        {"Trabalho", emoji.repeated(256), 1, {}},
        {"Trabalho", "12345678", 0, badSize},
        {"Trabalho", "12345678", 2049, badSize},
        {"Trabalho", "12345678", 2048, {}},
        {"  cofre pessoal", "12345678", 1, taken},
        {"Côfre PESSOAL", "12345678", 0, badSize},
        {"Côfre PESSOAL", "12345678", 1, taken},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(request.name.toStdString() + " / " + request.password.toStdString());
        store->clearMessages();
        if (request.refusal.isEmpty()) {
            EXPECT_EQ(store->validatedNewVaultRequest(request.name, request.password, request.size),
                      request.name.trimmed());
            continue;
        }
        EXPECT_FALSE(store->enqueueCreateVault(request.name, request.password, request.size));
        EXPECT_EQ(store->errorMessage(), request.refusal);
        EXPECT_EQ(store->activeOperation(), std::nullopt);
    }
    EXPECT_TRUE(services.disk.calls.isEmpty());

    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    EXPECT_FALSE(store->enqueueCreateVault("Trabalho", "12345678", 1));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    store->endOperation();
}

// Refreshes asked for meanwhile wait, then run once without losing the create's notice.
TEST_F(CreateTest, aCreatedVaultIsCataloguedSelectedUnlockedAndEmpty)
{
    makeStore({"Antigo"});
    QList<VaultOperationPhase> phases;
    QObject::connect(store.get(), &VaultStore::activeOperationChanged, [&] {
        if (store->activeOperation() && (phases.isEmpty() || phases.last() != store->activeOperation()->phase)) {
            phases.append(store->activeOperation()->phase);
        }
    });
    services.disk.held = true;
    ASSERT_TRUE(store->enqueueCreateVault(" Diário ", "senha-longa", 2));
    EXPECT_EQ(store->busyVaultID(), std::nullopt) << "the new id is not known yet";
    ASSERT_TRUE(QTest::qWaitFor([this] { return services.disk.operations().contains("attach"); }, 120000));

    const Vault created = services.disk.calls.last().vault;
    EXPECT_EQ(created.name, "Diário");
    EXPECT_EQ(services.disk.calls.last().password, "senha-longa");
    EXPECT_EQ(store->busyVaultID(), created.id);
    EXPECT_EQ(store->vaults().last(), created) << "catalogued before it is unlocked";
    EXPECT_EQ(VaultRegistry(paths).load().vaults, store->vaults());
    EXPECT_EQ(store->selectedVaultID(), created.id);
    EXPECT_EQ(created.imageURL,
              QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() +
                                  created.id.toString(QUuid::WithoutBraces).toLower() + ".sparsebundle"));
    EXPECT_TRUE(QFileInfo(created.imageURL.toLocalFile()).isDir());

    for (int request = 0; request < 3; ++request) {
        waitForTask(store->refresh());
    }
    EXPECT_TRUE(store->pendingRefreshRequested());
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "a refused refresh is deferred silently";

    services.disk.attachOutcomes.push({sessionOf(created), MountProtectionReport{{"primeiro aviso"}}});
    services.disk.mountedSessionsOutcomes.setStanding(mounted({created}));
    // The deferred refresh meets the same warning again, and a new one.
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"primeiro aviso", "segundo aviso"}});
    services.disk.held = false;
    ASSERT_TRUE(becomesIdle());

    EXPECT_EQ(phases,
              QList<VaultOperationPhase>({VaultOperationPhase::preparingVault, VaultOperationPhase::creatingVault,
                                          VaultOperationPhase::unlockingVault, VaultOperationPhase::refreshing}));
    EXPECT_EQ(services.disk.operations(), QStringList({"attach", "mountedSessions", "protectExistingMount"}))
        << "exactly one refresh ran, after the create";
    EXPECT_EQ(store->noticeMessage(),
              "Cofre criado e desbloqueado.\n\nAtenção:\n• primeiro aviso\n\nAtenção:\n• segundo aviso");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked) << "the refresh confirmed the other vault";
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(services.content.listedMountPoints.value(0), sessionOf(created).mountPoint);
}

TEST_F(CreateTest, theInitialFolderIsCopiedInAndItsNoticeReplacesTheCreationNotice)
{
    makeStore();
    const QUrl folder = QUrl::fromLocalFile(root.path() + "/Documentos");
    for (const bool copyFails : {false, true}) {
        SCOPED_TRACE(copyFails ? "the copy fails" : "the copy succeeds");
        if (copyFails) {
            services.content.addFailureBySource.insert(
                folder, std::make_exception_ptr(VaultError::sourceMissing("Documentos")));
        }
        QList<std::optional<QString>> itemNames;
        const QMetaObject::Connection watch = QObject::connect(store.get(), &VaultStore::activeOperationChanged, [&] {
            if (store->activeOperation() && store->activeOperation()->phase == VaultOperationPhase::preparingCopy) {
                itemNames.append(store->activeOperation()->currentItemName);
            }
        });
        services.disk.held = true;
        ASSERT_TRUE(store->enqueueCreateVault(copyFails ? "Falha" : "Sucesso", "senha-longa", 1, folder));
        ASSERT_TRUE(QTest::qWaitFor([this] { return services.disk.operations().contains("attach"); }, 120000));
        const Vault created = services.disk.calls.last().vault;
        services.disk.calls.clear();
        services.disk.attachOutcomes.push({sessionOf(created), MountProtectionReport{}});
        services.disk.mountedSessionsOutcomes.setStanding(mounted({created}));
        services.disk.held = false;
        ASSERT_TRUE(becomesIdle());
        QObject::disconnect(watch);

        EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions", "protectExistingMount"}))
            << "the import finds the vault the create unlocked";
        EXPECT_EQ(services.content.addCalls.last(), qMakePair(QList<QUrl>{folder}, sessionOf(created).mountPoint));
        EXPECT_EQ(itemNames.value(0), "Documentos");
        EXPECT_EQ(store->selectedVaultID(), created.id);
        EXPECT_EQ(store->status(), VaultStatus::unlocked);
        if (copyFails) {
            EXPECT_EQ(store->noticeMessage(), "Cofre criado e desbloqueado.") << "the import had nothing to say";
            EXPECT_EQ(store->errorMessage(), "O item de origem não foi encontrado: Documentos.");
        } else {
            EXPECT_EQ(store->noticeMessage(), "Item adicionado ao cofre. A origem foi preservada.");
            EXPECT_EQ(store->errorMessage(), std::nullopt);
        }
    }
}

// Creates, deletes and a refresh stopped half-way by the user or the disk say how far they got and lose
// nothing: a vault keeps its image unless shown as missing (it is then in the Trash), and no image is unlisted.
TEST_F(CreateTest, anOperationStoppedHalfWaySaysHowFarItGotAndLeavesNothingHalfDone)
{
    makeStore({"Recibos"});
    const QString trashed = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
    const auto create = [this](std::optional<VaultOperationPhase> cancelAt) {
        const auto cancelOnReaching = [this, cancelAt] {
            if (store->hasOperationTask() && store->activeOperation() && store->activeOperation()->phase == cancelAt) {
                store->cancelActiveOperation();
            }
        };
        const auto watch = QObject::connect(store.get(), &VaultStore::activeOperationChanged, cancelOnReaching);
        ASSERT_TRUE(store->enqueueCreateVault("Novo " + QString::number(store->vaults().size()), "senha-longa", 1));
        cancelOnReaching();
        ASSERT_TRUE(becomesIdle());
        QObject::disconnect(watch);
    };
    const struct
    {
        std::function<void()> run;
        QString message;
        std::optional<QString> notice; // only when a new vault was catalogued
    } cases[] = {
        {[&] { create(VaultOperationPhase::creatingVault); }, "A operação foi cancelada.", std::nullopt},
        {[&] {
             services.disk.attachOutcomes.pushError(CancellationError());
             create(VaultOperationPhase::unlockingVault);
         },
         "O cofre foi criado, mas não pôde ser desbloqueado: A operação foi cancelada.",
         "O cofre foi criado e permanece bloqueado."},
        {[&] {
             services.disk.mountedSessionsOutcomes.push(mounted({vault(0)}));
             QDir().rename(trashed, trashed + " guardado");
             TestFiles::writeFile(trashed, "não é uma pasta");
             waitForTask(store->performDeleteVault(vault(0).id));
             QFile::remove(trashed);
             QDir().rename(trashed + " guardado", trashed);
         },
         "O cofre foi bloqueado, mas não foi apagado. O arquivo criptografado do cofre não pôde ser movido para a "
         "Lixeira. A Lixeira não pode ser usada: “" +
             trashed + "” não é uma pasta. O arquivo continua no lugar.",
         std::nullopt},
        // The catalogue was read when the store was built; from here on only its writes fail.
        {[&] {
             QFile::remove(paths.registryURL.toLocalFile());
             QDir().mkpath(paths.registryURL.toLocalFile());
             waitForTask(store->performDeleteVault(vault(0).id));
         },
         "O arquivo criptografado foi movido para a Lixeira, mas o catálogo de cofres não pôde ser atualizado. O cofre "
         "aparecerá como “Arquivo ausente”; apague-o novamente para removê-lo da lista. vaults.json: Erro de entrada/saída",
         std::nullopt},
        {[&] { create(std::nullopt); }, "vaults.json: Erro de entrada/saída", std::nullopt},
        {[&] {
             QFile::remove(paths.storageDirectory.toLocalFile() + ".metadata_never_index");
             QDir().mkpath(paths.storageDirectory.toLocalFile() + ".metadata_never_index");
             waitForTask(store->refresh());
         },
         "A pasta protegida do Kovara não é segura para uso. .metadata_never_index não é um arquivo regular.",
         std::nullopt},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.message.toStdString());
        const qsizetype listed = store->vaults().size();
        failure.run();
        EXPECT_EQ(store->errorMessage(), failure.message);
        EXPECT_EQ(store->noticeMessage(), failure.notice);
        EXPECT_EQ(store->vaults().size(), listed + (failure.notice ? 1 : 0));
        qsizetype images = 0;
        for (const Vault& vault : store->vaults()) {
            const bool hasImage = QFileInfo(vault.imageURL.toLocalFile()).isDir();
            EXPECT_EQ(hasImage, store->state(vault.id) != VaultRowState::missingImage) << vault.name.toStdString();
            images += hasImage ? 1 : 0;
        }
        EXPECT_EQ(QDir(paths.storageDirectory.toLocalFile()).entryList({"*.sparsebundle"}, QDir::Dirs).size(), images);
    }
}

} // namespace
