#include "support/VaultStoreFixture.h"

#include "model/VaultError.h"

#include <QFile>

namespace {

using RefreshTest = VaultStoreFixture;

const VaultError discoveryFailure = VaultError::commandFailed("hdiutil", 1, "sem resposta");

TEST_F(RefreshTest, completionNoticeListsWarningsUnderTheHeading)
{
    EXPECT_EQ(InspectableVaultStore::completionNotice(std::nullopt, {}), std::nullopt);
    EXPECT_EQ(InspectableVaultStore::completionNotice(QString("Cofre bloqueado."), {}), "Cofre bloqueado.");
    EXPECT_EQ(InspectableVaultStore::completionNotice(std::nullopt, {"a"}), "Atenção:\n• a");
    EXPECT_EQ(InspectableVaultStore::completionNotice(QString("Cofre desbloqueado."), {"a", "b"}),
              "Cofre desbloqueado.\n\nAtenção:\n• a\n• b");
}

TEST_F(RefreshTest, refreshConfirmsMountsProtectsEachVaultAndListsTheSelection)
{
    makeStore({"A", "B", "C"});
    const QUuid a = vault(0).id, b = vault(1).id, c = vault(2).id;
    EXPECT_EQ(store->state(a), VaultRowState::needsAttention) << "nothing is confirmed before the first refresh";
    services.disk.mountedSessionsOutcomes.push(mounted({sessionOf(vault(0)), sessionOf(vault(1))}));
    // One protection reports a warning, the other fails; which vault comes first is unspecified.
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"aviso do mdutil"}});
    services.disk.protectExistingMountOutcomes.pushError(VaultError(VaultError::Kind::unableToCreatePrivacyMarker));
    services.content.listing = {itemNamed("Relatório.pdf")};
    store->setErrorMessage("erro anterior");

    waitForTask(store->refresh());

    EXPECT_EQ(store->state(a), VaultRowState::unlocked);
    EXPECT_EQ(store->state(b), VaultRowState::unlocked);
    EXPECT_EQ(store->state(c), VaultRowState::locked);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
    EXPECT_EQ(store->content(), services.content.listing);
    EXPECT_EQ(services.content.listedMountPoints, QList<QUrl>{sessionOf(vault(0)).mountPoint});
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "a refresh asked for by the user starts with clean banners";
    ASSERT_TRUE(store->noticeMessage());
    QStringList lines = store->noticeMessage()->split('\n');
    EXPECT_EQ(lines.takeFirst(), "Atenção:");
    lines.sort();
    EXPECT_EQ(lines, QStringList({"• Não foi possível reaplicar a proteção contra indexação em um cofre já montado: "
                                  "Não foi possível criar a proteção contra indexação dentro do cofre.",
                                  "• aviso do mdutil"}));
    EXPECT_TRUE(QFile::exists(paths.storageDirectory.toLocalFile() + ".metadata_never_index"))
        << "the storage folder was prepared";
    EXPECT_FALSE(store->isBusy());
}

TEST_F(RefreshTest, aFailedDiscoveryMarksEveryVaultAsNeedingAttentionUntilOneSucceeds)
{
    makeStore({"A", "B"});
    services.disk.mountedSessionsOutcomes.push(mounted({sessionOf(vault(0))}));
    services.content.listing = {itemNamed("Notas.txt")};
    waitForTask(store->refresh());
    ASSERT_EQ(store->state(vault(0).id), VaultRowState::unlocked);
    ASSERT_FALSE(store->content().isEmpty());

    services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
    waitForTask(store->refresh());

    EXPECT_EQ(store->errorMessage(), discoveryFailure.errorDescription());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::needsAttention);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::needsAttention);
    EXPECT_EQ(store->status(), VaultStatus::needsAttention);
    EXPECT_TRUE(store->sessions().isEmpty()) << "sessions from before cannot be trusted";
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(services.disk.operations().count("protectExistingMount"), 1) << "nothing is touched after the failure";

    waitForTask(store->refresh());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::locked);
    EXPECT_EQ(store->errorMessage(), std::nullopt);
}

TEST_F(RefreshTest, refreshesAskedForDuringACreateRunOnceAfterItAndKeepItsNotice)
{
    makeStore({"Antigo"});
    services.disk.hold();
    ASSERT_TRUE(store->enqueueCreateVault("  Novo  ", "senha-longa", 1));
    ASSERT_TRUE(QTest::qWaitFor([this] { return services.disk.operations().contains("attach"); }, 120000));

    for (int request = 0; request < 3; ++request) {
        waitForTask(store->refresh());
    }
    EXPECT_TRUE(store->pendingRefreshRequested());
    EXPECT_FALSE(services.disk.operations().contains("mountedSessions")) << "no refresh runs beside the create";

    const Vault created = services.disk.calls.last().vault;
    EXPECT_EQ(created.name, "Novo");
    services.disk.attachOutcomes.push({sessionOf(created), MountProtectionReport{{"primeiro aviso"}}});
    services.disk.mountedSessionsOutcomes.setStanding(mounted({sessionOf(created)}));
    // The deferred refresh meets the same warning again, and a new one.
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"primeiro aviso", "segundo aviso"}});
    services.disk.release();
    ASSERT_TRUE(becomesIdle());

    EXPECT_EQ(services.disk.operations(),
              QStringList({"attach", "mountedSessions", "protectExistingMount"}))
        << "exactly one refresh ran";
    EXPECT_EQ(store->noticeMessage(),
              "Cofre criado e desbloqueado.\n\nAtenção:\n• primeiro aviso\n\nAtenção:\n• segundo aviso");
    EXPECT_EQ(store->selectedVaultID(), created.id);
    EXPECT_EQ(store->state(created.id), VaultRowState::unlocked);
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked) << "the refresh confirmed the other vault";
}

TEST_F(RefreshTest, reconciliationOfOneVaultFollowsTheSystem)
{
    makeStore({"A", "B"});
    store->setContent({itemNamed("Velho.txt")});

    try {
        waitForTask(store->reconciledSession(QUuid::createUuid(), &services.disk));
        ADD_FAILURE() << "an unknown vault has no session to reconcile";
    } catch (const VaultError& error) {
        EXPECT_EQ(error.errorDescription(), "Selecione um cofre primeiro.");
    }
    EXPECT_TRUE(services.disk.calls.isEmpty()) << "an unknown vault is refused before asking the system";

    services.disk.mountedSessionsOutcomes.push(mounted({sessionOf(vault(1))}));
    EXPECT_EQ(waitForTask(store->reconciledSession(vault(1).id, &services.disk)), sessionOf(vault(1)));
    EXPECT_EQ(waitForTask(store->reconciledSession(vault(0).id, &services.disk)), std::nullopt)
        << "ejected outside the program";
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);

    services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
    EXPECT_THROW(waitForTask(store->reconciledSession(vault(1).id, &services.disk)), VaultError);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::needsAttention);
}

TEST_F(RefreshTest, storageMountsAreMatchedToVaultsThroughSymbolicLinks)
{
    makeStore({"A", "B"});
    const QString linkedStorage = root.path() + "/atalho";
    ASSERT_TRUE(QFile::link(paths.storageDirectory.toLocalFile(), linkedStorage));
    const QUrl imageThroughLink = QUrl::fromLocalFile(linkedStorage + '/' + vault(1).imageURL.fileName());
    const MountedDiskImage stranger{QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() + "outro.sparsebundle"),
                                    QUrl::fromLocalFile("/run/kovara/outro/"), "fuse:0:7"};

    EXPECT_EQ(store->vaultForImageAt(imageThroughLink), vault(1));
    EXPECT_EQ(store->vaultForImageAt(stranger.imageURL), std::nullopt);

    store->applyStorageMountsToKnownVaults(
        {MountedDiskImage{imageThroughLink, QUrl::fromLocalFile("/run/kovara/B/"), "fuse:0:8"}, stranger});
    EXPECT_EQ(store->sessions(),
              mounted({VaultSession{vault(1).id, QUrl::fromLocalFile("/run/kovara/B/"), "fuse:0:8"}}));
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::unlocked);
}

} // namespace
