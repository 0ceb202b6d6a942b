#include "support/VaultStoreFixture.h"

#include <QFile>
#include <QSignalSpy>

#include <qcoro/qcorotimer.h>

namespace {

using StateTest = VaultStoreFixture;

TEST_F(StateTest, rowStatesFollowConfirmedMountsAndImages)
{
    makeStore({"A", "B", "C"});
    QDir(vault(2).imageURL.toLocalFile()).removeRecursively();
    EXPECT_EQ(store->selectedVaultID(), vault(0).id);
    EXPECT_EQ(store->status(), VaultStatus::needsAttention);
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(store->state(vault(index).id), VaultRowState::needsAttention) << "not confirmed before a refresh";
    }
    EXPECT_EQ(store->state(QUuid::createUuid()), VaultRowState::needsAttention) << "not in the catalogue";

    store->setContent({itemNamed("x.txt")});
    store->installSessions(mounted({vault(0)}));
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::unlocked);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::locked);
    EXPECT_EQ(store->state(vault(2).id), VaultRowState::missingImage);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
    EXPECT_EQ(store->content().size(), 1) << "the mounted selection keeps its listing";

    // When the mount state can no longer be trusted, everything needs attention again.
    QSignalSpy attention(store.get(), &VaultStore::attentionVaultIDsChanged);
    store->markAllVaultsAsNeedingAttention();
    EXPECT_TRUE(store->sessions().isEmpty());
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->status(), VaultStatus::needsAttention);
    EXPECT_EQ(attention.count(), 1);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::needsAttention);

    store->installSessions({});
    store->selectVault(vault(2).id);
    EXPECT_EQ(store->status(), VaultStatus::missingImage);
    store->selectVault(QUuid::createUuid());
    EXPECT_EQ(store->status(), VaultStatus::noSelection) << "a selection outside the catalogue shows nothing";
}

TEST_F(StateTest, anUnusableCatalogueLeavesTheStoreEmptyWithItsReason)
{
    makeStore({"A"});
    const Vault catalogued = vault(0);
    store.reset();
    QFile::rename(paths.registryURL.toLocalFile(), root.path() + "/real.json");
    QFile::link(root.path() + "/real.json", paths.registryURL.toLocalFile());
    store = std::make_unique<InspectableVaultStore>(paths, services);

    const QString expected = "O catálogo de cofres não pôde ser usado e não foi alterado. O catálogo de cofres "
                             "contém dados inválidos e não foi alterado. vaults.json não pode ser um link simbólico.";
    EXPECT_EQ(store->errorMessage(), expected);
    EXPECT_FALSE(store->registryIsUsable());
    EXPECT_TRUE(store->vaults().isEmpty());
    EXPECT_EQ(store->status(), VaultStatus::noSelection);
    EXPECT_FALSE(store->enqueueCreateVault("Novo", "senha-longa", 1)) << "nothing is created beside it";
    waitForTask(store->performDeleteVault(catalogued.id));
    EXPECT_EQ(store->errorMessage(), expected) << "nor is anything deleted";
    EXPECT_TRUE(QFileInfo(catalogued.imageURL.toLocalFile()).isDir());

    // A refresh says so again, even after the banner was dismissed.
    store->clearMessages();
    QCoro::waitFor(store->refresh());
    EXPECT_EQ(store->errorMessage(), expected);
    EXPECT_FALSE(store->isBusy());
}

TEST_F(StateTest, changeSignalsFireOncePerRealChangeOnly)
{
    makeStore({"A", "B"});
    const QUuid id = vault(1).id;
    InspectableVaultStore& s = *store;
    const QList<Vault> vaults = store->vaults();
    const VaultOperationState operation = VaultOperationState::starting(VaultOperationKind::import, id);
    // Each writer assigns a value (step 0), the same value again (1), then a different one (2).
    const std::pair<void (VaultStore::*)(), std::function<void(int)>> writers[] = {
        {&VaultStore::errorMessageChanged, [&](int step) { s.setErrorMessage(step < 2 ? "erro" : "outro"); }},
        {&VaultStore::activeOperationChanged,
         [&](int step) {
             if (step == 0) {
                 s.setActiveOperation(operation);
             } else {
                 s.updateActiveOperation([step](VaultOperationState& state) {
                     state.completedBytes = step < 2 ? std::nullopt : std::optional<std::int64_t>(7);
                 });
             }
         }},
        {&VaultStore::vaultsChanged, [&](int step) { s.setVaults(step < 2 ? vaults.mid(0, 1) : vaults); }},
    };
    for (const auto& [signal, write] : writers) {
        QSignalSpy spy(store.get(), signal);
        for (int step = 0; step < 3; ++step) {
            write(step);
            EXPECT_EQ(spy.count(), step < 2 ? 1 : 2) << spy.signal().constData() << " after step " << step;
        }
    }
}

TEST_F(StateTest, selectingAnotherVaultClearsBannersAndContent)
{
    makeStore({"A", "B", "C"});
    const auto fillBanners = [&] {
        store->setErrorMessage("erro");
        store->setNoticeMessage("aviso");
        store->setUnlockFailure(VaultUnlockFailure{vault(0).id, "senha errada"});
        store->setForceLockVaultID(vault(0).id);
        store->setForceLockContinuesTermination(true);
        store->setContent({itemNamed("a.txt")});
    };
    fillBanners();
    QSignalSpy selection(store.get(), &VaultStore::selectedVaultIDChanged);
    store->selectVault(vault(0).id);
    EXPECT_EQ(selection.count(), 0);
    EXPECT_EQ(store->errorMessage(), "erro") << "selecting the selected vault keeps every banner";
    EXPECT_EQ(store->unlockFailureMessage(vault(0).id), "senha errada");
    EXPECT_EQ(store->unlockFailureMessage(vault(1).id), std::nullopt) << "shown only beside its own vault";
    EXPECT_EQ(store->content().size(), 1);

    store->selectVault(vault(1).id);
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(store->selectedVault(), vault(1));
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), std::nullopt);
    EXPECT_EQ(store->unlockFailure(), std::nullopt);
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
    EXPECT_FALSE(store->forceLockContinuesTermination());
    EXPECT_TRUE(store->content().isEmpty());

    // An operation that moves the selection empties the content too, but leaves the banners.
    fillBanners();
    store->setSelectedVaultID(vault(2).id);
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->noticeMessage(), "aviso");

    store->clearError();
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->unlockFailure(), std::nullopt);
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
    EXPECT_FALSE(store->forceLockContinuesTermination());
    EXPECT_EQ(store->noticeMessage(), "aviso") << "clearError keeps the notice";
}

TEST_F(StateTest, oneOperationAtATimeAndAThrowingOneStillOpensTheGate)
{
    makeStore({"A"});
    store->setNoticeMessage("aviso anterior");
    ASSERT_TRUE(store->beginOperation(vault(0).id, true, true));
    EXPECT_EQ(store->busyVaultID(), vault(0).id);
    EXPECT_EQ(store->noticeMessage(), std::nullopt) << "the operation starts with clean banners";
    EXPECT_FALSE(store->canEnqueueOperation());

    EXPECT_FALSE(store->beginOperation(std::nullopt, false, true));
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "a silent refusal shows nothing";
    EXPECT_FALSE(store->beginOperation(std::nullopt, true, true));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    EXPECT_EQ(store->busyVaultID(), vault(0).id) << "the refused caller changes nothing else";
    store->endOperation();
    EXPECT_FALSE(store->isBusy());
    EXPECT_EQ(store->busyVaultID(), std::nullopt);

    ASSERT_TRUE(store->beginOperation(std::nullopt, true, false));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.") << "kept when not clearing messages";
    store->launchOperation(VaultOperationState::starting(VaultOperationKind::import, vault(0).id),
                           [](std::stop_token) -> QCoro::Task<> {
                               throw VaultError(VaultError::Kind::missingImage);
                               co_return;
                           });
    QCoro::waitFor(store->cancelActiveOperationAndWait());
    EXPECT_EQ(store->errorMessage(), "O arquivo deste cofre não foi encontrado.");
    EXPECT_FALSE(store->isBusy());
    EXPECT_EQ(store->activeOperation(), std::nullopt);
    EXPECT_TRUE(store->canEnqueueOperation());
}

// A committing operation, which must not be cancelled, is covered where quitting awaits it.
TEST_F(StateTest, cancellationStopsTheOperationAndIsAwaitedToTheEnd)
{
    makeStore({"A"});
    std::stop_token seenToken;
    bool serviceAnswered = false;
    bool released = false;
    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    store->launchOperation(
        VaultOperationState::starting(VaultOperationKind::create),
        [&](std::stop_token token) -> QCoro::Task<> {
            seenToken = token;
            while (!serviceAnswered) {
                co_await QCoro::sleepFor(std::chrono::milliseconds(5));
            }
        },
        [&] { released = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return seenToken.stop_possible(); })) << "the body has started";

    store->updateActiveOperation([](VaultOperationState& state) { state.phase = VaultOperationPhase::copying; });
    EXPECT_TRUE(store->canCancelActiveOperation());
    store->cancelActiveOperation();
    EXPECT_EQ(store->activeOperation()->phase, VaultOperationPhase::cancelling);
    EXPECT_TRUE(seenToken.stop_requested());
    EXPECT_FALSE(store->canCancelActiveOperation()) << "already cancelling";

    // Waiting returns only once the operation has ended and released everything it held.
    serviceAnswered = true;
    QCoro::waitFor(store->cancelActiveOperationAndWait());
    EXPECT_FALSE(store->hasOperationTask());
    EXPECT_EQ(store->activeOperation(), std::nullopt);
    EXPECT_FALSE(store->isBusy());
    EXPECT_TRUE(released);
    QCoro::waitFor(store->cancelActiveOperationAndWait()); // nothing running: returns at once
}

TEST_F(StateTest, aDeferredRefreshOutlivedByItsStoreDoesNothing)
{
    makeStore({"A"});
    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    QCoro::waitFor(store->refresh());
    store->endOperation();
    ASSERT_TRUE(store->hasPendingRefreshTask());
    QPointer<VaultStore> watched(store.get());
    store.reset();
    // The refresh's first turn comes after the store is gone; it must end without touching it.
    QTest::qWait(0);
    EXPECT_TRUE(watched.isNull());
}

} // namespace
