#include "support/VaultStoreFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <qcoro/qcorotimer.h>

namespace {

using RefreshTest = VaultStoreFixture;

const VaultError discoveryFailure = VaultError::commandFailed("kovara-hdiutil", 1, "sem resposta");

TEST_F(RefreshTest, refreshConfirmsMountsProtectsEachVaultAndListsTheSelection)
{
    makeStore({"A", "B", "C"});
    services.disk.mountedSessionsOutcomes.push(mounted({vault(0), vault(1)}));
    // One protection reports a warning, the other fails; which vault comes first is unspecified.
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"aviso do mdutil"}});
    services.disk.protectExistingMountOutcomes.pushError(VaultError(VaultError::Kind::unableToCreatePrivacyMarker));
    services.content.listing = {itemNamed("Relatório.pdf")};
    store->setErrorMessage("erro anterior");

    waitForTask(store->refresh());

    EXPECT_EQ(store->state(vault(0).id), VaultRowState::unlocked);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::unlocked);
    EXPECT_EQ(store->state(vault(2).id), VaultRowState::locked);
    EXPECT_EQ(store->content(), services.content.listing);
    EXPECT_EQ(services.content.listedMountPoints, QList<QUrl>{sessionOf(vault(0)).mountPoint});
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "a refresh asked for by the user starts with clean banners";
    QStringList lines = store->noticeMessage().value_or("").split('\n');
    EXPECT_EQ(lines.takeFirst(), "Atenção:");
    lines.sort();
    EXPECT_EQ(lines, QStringList({"• Não foi possível reaplicar a proteção contra indexação em um cofre já montado: "
                                  "Não foi possível criar a proteção contra indexação dentro do cofre.",
                                  "• aviso do mdutil"}));
    EXPECT_TRUE(QFile::exists(paths.storageDirectory.toLocalFile() + ".metadata_never_index"))
        << "the storage folder was prepared";

    // A failed discovery: sessions from before cannot be trusted, and nothing is touched.
    services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
    waitForTask(store->refresh());
    EXPECT_EQ(store->errorMessage(), "kovara-hdiutil falhou com código 1: sem resposta");
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::needsAttention);
    EXPECT_EQ(store->state(vault(2).id), VaultRowState::needsAttention);
    EXPECT_EQ(store->status(), VaultStatus::needsAttention);
    EXPECT_TRUE(store->sessions().isEmpty());
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(services.disk.operations().count("protectExistingMount"), 2);

    waitForTask(store->refresh());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_FALSE(store->isBusy());
}

TEST_F(RefreshTest, oneVaultIsReconciledWithTheSystemAndStorageMountsAreMatchedThroughLinks)
{
    makeStore({"A", "B"});
    store->setContent({itemNamed("Velho.txt")});
    EXPECT_THROW(waitForTask(store->reconciledSession(QUuid::createUuid(), &services.disk)), VaultError);
    EXPECT_TRUE(services.disk.calls.isEmpty()) << "an unknown vault is refused before asking the system";

    services.disk.mountedSessionsOutcomes.push(mounted({vault(1)}));
    EXPECT_EQ(waitForTask(store->reconciledSession(vault(1).id, &services.disk)), sessionOf(vault(1)));
    EXPECT_EQ(waitForTask(store->reconciledSession(vault(0).id, &services.disk)), std::nullopt)
        << "ejected outside the program";
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
    services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
    EXPECT_THROW(waitForTask(store->reconciledSession(vault(1).id, &services.disk)), VaultError);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::needsAttention);

    const QString linkedStorage = root.path() + "/atalho";
    ASSERT_TRUE(QFile::link(paths.storageDirectory.toLocalFile(), linkedStorage));
    const QUrl imageThroughLink = QUrl::fromLocalFile(linkedStorage + '/' + vault(1).imageURL.fileName());
    const MountedDiskImage stranger{QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() + "outro.sparsebundle"),
                                    QUrl::fromLocalFile("/run/kovara/outro/"), "fuse:0:7"};
    store->applyStorageMountsToKnownVaults({{imageThroughLink, sessionOf(vault(1)).mountPoint, "fuse:0:B"}, stranger});
    EXPECT_EQ(store->sessions(), mounted({vault(1)}));
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
}

// A catalogued image swapped for a link costs only its own row, and an image an interrupted
// create left uncatalogued is offered back by the first refresh, then taken back or trashed.
TEST_F(RefreshTest, aBadEntryCostsOnlyItsRowAndLostImagesAreOfferedBack)
{
    QDir().mkpath(paths.storageDirectory.toLocalFile());
    const Vault sound = catalogued("Bom");
    const Vault linked = catalogued("Ligado");
    VaultRegistry(paths).save({sound, linked});
    const QString elsewhere = root.path() + "/outro lugar";
    QDir().mkpath(elsewhere + "/dentro");
    ASSERT_TRUE(QDir(linked.imageURL.toLocalFile()).removeRecursively());
    ASSERT_TRUE(QFile::link(elsewhere, linked.imageURL.toLocalFile()));
    const auto lost = [this](const QString& name) {
        const QUuid id = QUuid::createUuid();
        waitForTask(services.diskImageService.createSparseBundle(
            Vault{id, name, VaultRegistry(paths).imageURL(id), QDateTime::currentDateTimeUtc()}, 1, "senha-longa", {}));
        return id;
    };
    const QUuid recovered = lost("Bom");
    const QUuid discarded = lost("Descartado");
    QDir().mkpath(paths.storageDirectory.toLocalFile() + "alheio.sparsebundle");

    store = std::make_unique<InspectableVaultStore>(paths, services);
    EXPECT_EQ(store->vaults(), (QList<Vault>{sound, linked}));
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    waitForTask(store->refresh());
    EXPECT_EQ(store->state(sound.id), VaultRowState::locked);
    EXPECT_EQ(store->state(linked.id), VaultRowState::unusableEntry);
    EXPECT_EQ(store->entryProblem(linked.id), "A imagem de um cofre não pode ser um link simbólico.");
    QStringList offered;
    for (const FoundVaultImage& image : store->foundImages()) {
        offered.append(image.name);
    }
    offered.sort();
    EXPECT_EQ(offered, QStringList({"Bom", "Descartado"})) << "named from their metadata; a stranger is not offered";

    // Taken back under a free name, into the catalogue on disk, with the bad entry kept as it was.
    store->addFoundImage(recovered);
    ASSERT_TRUE(QTest::qWaitFor([this] { return store->foundImages().size() == 1 && !store->isBusy(); }));
    EXPECT_EQ(store->noticeMessage(), "O cofre “Bom 2” voltou para a lista.");
    EXPECT_EQ(store->vaults().size(), 3);
    EXPECT_EQ(store->state(recovered), VaultRowState::locked);
    EXPECT_EQ(VaultRegistry(paths).load().vaults, store->vaults());

    store->trashFoundImage(discarded);
    ASSERT_TRUE(QTest::qWaitFor([this] { return store->foundImages().isEmpty() && !store->isBusy(); }));
    EXPECT_EQ(store->noticeMessage(), "O arquivo “Descartado.sparsebundle” está na Lixeira.");
    EXPECT_TRUE(QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          "/Trash/files/Descartado.sparsebundle")
                    .isDir());

    // The bad entry leaves the list without anything on either side of the link being touched.
    store->deleteVault(linked.id);
    ASSERT_TRUE(QTest::qWaitFor([this] { return store->vaults().size() == 2 && !store->isBusy(); }));
    EXPECT_EQ(store->noticeMessage(), "O cofre “Ligado” foi removido da lista.");
    EXPECT_EQ(VaultRegistry(paths).load().vaults, store->vaults());
    EXPECT_EQ(QFileInfo(linked.imageURL.toLocalFile()).symLinkTarget(), elsewhere);
    EXPECT_TRUE(QFileInfo::exists(elsewhere + "/dentro"));
    EXPECT_FALSE(services.disk.operations().contains("eject"));
}

// A refresh still waiting on the system when its store goes (the window closed) ends quietly.
TEST_F(RefreshTest, aRefreshOutlivingItsStoreTouchesNothing)
{
    makeStore({"A"});
    services.disk.held = true;
    QCoro::Task<> refreshing = store->refresh();
    QTest::qWait(0);
    store.reset();
    services.disk.held = false;
    waitForTask(std::move(refreshing));
    EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions"}));
}

// Quitting with two catalogued vaults, Alfa and Beta, and whatever else the scripted disk
// service reports attached from the storage folder.
class TerminationTest : public VaultStoreFixture
{
protected:
    void SetUp() override
    {
        // Ids chosen so that the images sort Alfa, Beta, then any name starting with a letter.
        VaultRegistry(paths).save({catalogued("Alfa", QUuid("10000000-0000-4000-8000-000000000000")),
                                   catalogued("Beta", QUuid("20000000-0000-4000-8000-000000000000"))});
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    MountedDiskImage attached(int index) const
    {
        return {vault(index).imageURL, sessionOf(vault(index)).mountPoint, "d"};
    }

    // An image in the storage folder that the catalogue does not know.
    MountedDiskImage stray(const QString& fileName) const
    {
        return {QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() + fileName),
                QUrl::fromLocalFile(root.path() + "/mnt/" + fileName), "d"};
    }

    QList<QUrl> ejectedMountPoints() const
    {
        QList<QUrl> mountPoints;
        for (const FakeFinderImportDiskService::Call& call : services.disk.calls) {
            if (call.operation == "eject") {
                EXPECT_FALSE(call.force) << "quitting never forces";
                mountPoints.append(call.mountPoint);
            }
        }
        return mountPoints;
    }
};

TEST_F(TerminationTest, everyImageOfTheStorageFolderIsEjectedInOrderAndConfirmed)
{
    const QList<MountedDiskImage> images{stray("extra 10.sparsebundle"), attached(0), stray("extra 2.sparsebundle")};
    services.disk.mountedImagesInStorageOutcomes.push(images);
    store->setContent({itemNamed("a")});

    EXPECT_TRUE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->noticeMessage(), "Todos os cofres foram bloqueados.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
    // Ordered by image path as the file manager orders names: numbers by their value.
    EXPECT_EQ(ejectedMountPoints(), (QList<QUrl>{images[1].mountPoint, images[2].mountPoint, images[0].mountPoint}));
}

TEST_F(TerminationTest, theSummaryNamesFailuresAndVolumesThatStayedAndOffersTheBusyVault)
{
    const MountedDiskImage extra = stray("perdido.sparsebundle");
    services.disk.mountedImagesInStorageOutcomes.push({attached(0), attached(1), extra});
    // Ejected in the order Alfa, Beta, perdido: Alfa says it detached, but it is still there.
    services.disk.ejectOutcomes.push({});
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({"Preview"}));
    services.disk.ejectOutcomes.pushError(VaultError::commandFailed("kovara-diskutil", 1, "falhou"));
    services.disk.mountedImagesInStorageOutcomes.push({extra, attached(0), attached(1)});

    EXPECT_FALSE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->errorMessage(),
              "Não foi possível bloquear todos os cofres (falhas: Beta: O cofre ainda está em "
              "uso por Preview. Feche os arquivos abertos nele e tente novamente, ou use "
              "“Forçar bloqueio”.; perdido.sparsebundle: kovara-diskutil falhou com código 1: falhou "
              "| ainda montados: Alfa).");
    EXPECT_EQ(store->forceLockVaultID(), vault(1).id);
    EXPECT_TRUE(store->forceLockContinuesTermination());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::unlocked);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::unlocked);
    EXPECT_FALSE(store->isBusy());

    // Only the one that claimed to detach: no forced lock to offer.
    services.disk.mountedImagesInStorageOutcomes.push({attached(0)});
    services.disk.mountedImagesInStorageOutcomes.push({attached(0)});
    EXPECT_FALSE(waitForTask(store->lockAllForTermination()));
    EXPECT_EQ(store->errorMessage(), "Não foi possível bloquear todos os cofres (ainda montados: Alfa).");
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
    EXPECT_FALSE(store->forceLockContinuesTermination());
}

TEST_F(TerminationTest, aListingThatFailsLeavesEveryVaultNeedingAttention)
{
    const QString timedOut = "kovara-hdiutil excedeu o tempo limite e foi interrompido.";
    services.disk.mountedImagesInStorageOutcomes.pushError(VaultError::commandTimedOut("kovara-hdiutil"));
    EXPECT_FALSE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->errorMessage(), "Não foi possível confirmar os cofres antes de encerrar: " + timedOut);
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::needsAttention);

    services.disk.mountedImagesInStorageOutcomes.push({attached(1)});
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({}));
    services.disk.mountedImagesInStorageOutcomes.pushError(VaultError::commandTimedOut("kovara-hdiutil"));
    EXPECT_FALSE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->errorMessage(), "Não foi possível confirmar se todos os cofres foram bloqueados. Falhas ao "
                                     "desmontar: Beta: O cofre ainda está em uso por outro app. Feche os arquivos e "
                                     "janelas abertos dentro dele e tente novamente, ou use “Forçar bloqueio”.. " +
                                         timedOut);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::needsAttention);
}

// A copy that is committing, and a refresh (the first one runs as the window opens, when a logout
// may already be under way), hold the gate: quitting waits for them instead of being refused.
TEST_F(TerminationTest, whatHoldsTheGateIsAwaitedNeitherCancelledNorRefused)
{
    services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(0)}));
    bool reachedCommit = false;
    bool mayFinish = false;
    services.content.beforeAdding = [&](QUrl, std::stop_token) -> QCoro::Task<void> {
        store->updateActiveOperation(
            [](VaultOperationState& operation) { operation.phase = VaultOperationPhase::committing; });
        reachedCommit = true;
        while (!mayFinish) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        }
    };
    ASSERT_TRUE(store->enqueueImportItems({QUrl::fromLocalFile(root.path() + "/a.txt")}, vault(0).id, std::nullopt));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reachedCommit; }));

    std::optional<bool> quitAnswer;
    const auto quit = [](VaultStore* store, std::optional<bool>* answer) -> QCoro::Task<> {
        *answer = co_await store->prepareForTermination();
    };
    QCoro::Task<> quitting = quit(store.get(), &quitAnswer);
    QTest::qWait(0);
    EXPECT_EQ(quitAnswer, std::nullopt);
    EXPECT_EQ(store->activeOperation()->phase, VaultOperationPhase::committing) << "not cancelled";
    mayFinish = true;
    waitForTask(std::move(quitting));
    EXPECT_EQ(quitAnswer, true);
    EXPECT_EQ(store->noticeMessage(), "Todos os cofres foram bloqueados.");
    EXPECT_EQ(services.content.addCalls.size(), 1);

    services.disk.held = true;
    QCoro::Task<> refreshing = store->refresh();
    quitAnswer.reset();
    quitting = quit(store.get(), &quitAnswer);
    QTest::qWait(0);
    EXPECT_EQ(quitAnswer, std::nullopt);
    services.disk.held = false;
    waitForTask(std::move(quitting));
    EXPECT_EQ(quitAnswer, true);
}

} // namespace
