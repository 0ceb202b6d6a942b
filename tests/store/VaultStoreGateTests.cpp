#include "support/InspectableVaultStore.h"
#include "support/ManualTrigger.h"
#include "support/QtValuePrinters.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class VaultStoreGateTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QUuid id = QUuid::createUuid();
        vault = Vault{id, "Cofre", QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() +
                                                       id.toString(QUuid::WithoutBraces) + ".sparsebundle"),
                      QDateTime::currentDateTimeUtc()};
        VaultRegistry(paths).save({vault});
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    // Awaits the deferred refresh without a fixed delay: the event loop runs until it is gone.
    bool deferredRefreshFinishes() { return QTest::qWaitFor([this] { return !store->hasPendingRefreshTask(); }); }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    Vault vault;
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};

TEST_F(VaultStoreGateTest, aSecondOperationIsRefusedWhileOneRuns)
{
    store->setNoticeMessage("aviso anterior");
    ASSERT_TRUE(store->beginOperation(vault.id, true, true));
    EXPECT_TRUE(store->isBusy());
    EXPECT_EQ(store->busyVaultID(), vault.id);
    EXPECT_EQ(store->noticeMessage(), std::nullopt) << "the operation starts with clean banners";
    EXPECT_FALSE(store->canEnqueueOperation());

    EXPECT_FALSE(store->beginOperation(std::nullopt, false, true));
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "a silent refusal shows nothing";
    EXPECT_FALSE(store->beginOperation(std::nullopt, true, true));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    EXPECT_EQ(store->busyVaultID(), vault.id) << "the refused caller changes nothing else";

    store->endOperation();
    EXPECT_FALSE(store->isBusy());
    EXPECT_EQ(store->busyVaultID(), std::nullopt);
    EXPECT_TRUE(store->canEnqueueOperation());

    ASSERT_TRUE(store->beginOperation(std::nullopt, true, false));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.") << "kept when not clearing messages";
    store->endOperation();
}

TEST_F(VaultStoreGateTest, cancellationIsAcceptedOnlyBeforeCommitting)
{
    ManualTrigger serviceAnswers;
    std::stop_token seenToken;
    bool released = false;
    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    store->launchOperation(
        VaultOperationState::starting(VaultOperationKind::create),
        [&](std::stop_token token) -> QCoro::Task<> {
            seenToken = token;
            co_await serviceAnswers;
        },
        [&] { released = true; });
    EXPECT_FALSE(store->canEnqueueOperation());
    ASSERT_TRUE(QTest::qWaitFor([&] { return seenToken.stop_possible(); })) << "the body has started";

    store->updateActiveOperation([](VaultOperationState& state) { state.phase = VaultOperationPhase::committing; });
    const std::optional<VaultOperationState> committing = store->activeOperation();
    QSignalSpy operationChanges(store.get(), &VaultStore::activeOperationChanged);
    EXPECT_FALSE(store->canCancelActiveOperation());
    store->cancelActiveOperation();
    EXPECT_EQ(store->activeOperation(), committing) << "a committing operation cannot be cancelled";
    EXPECT_EQ(operationChanges.count(), 0);
    EXPECT_FALSE(seenToken.stop_requested());

    store->updateActiveOperation([](VaultOperationState& state) { state.phase = VaultOperationPhase::copying; });
    EXPECT_TRUE(store->canCancelActiveOperation());
    store->cancelActiveOperation();
    EXPECT_EQ(store->activeOperation()->phase, VaultOperationPhase::cancelling);
    EXPECT_TRUE(seenToken.stop_requested());
    EXPECT_FALSE(store->canCancelActiveOperation()) << "already cancelling";

    // Waiting returns only once the operation has ended and released everything it held.
    serviceAnswers.fire();
    QCoro::waitFor(store->cancelActiveOperationAndWait());
    EXPECT_FALSE(store->hasOperationTask());
    EXPECT_EQ(store->activeOperation(), std::nullopt);
    EXPECT_FALSE(store->isBusy());
    EXPECT_TRUE(released);
    EXPECT_TRUE(store->canEnqueueOperation());

    QCoro::waitFor(store->cancelActiveOperationAndWait()); // nothing running: returns at once
}

TEST_F(VaultStoreGateTest, anOperationThatThrowsStillOpensTheGate)
{
    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    store->launchOperation(VaultOperationState::starting(VaultOperationKind::import, vault.id),
                           [](std::stop_token) -> QCoro::Task<> {
                               throw VaultError(VaultError::Kind::missingImage);
                               co_return;
                           });
    QCoro::waitFor(store->cancelActiveOperationAndWait());
    EXPECT_EQ(store->errorMessage(), "O arquivo deste cofre não foi encontrado.");
    EXPECT_FALSE(store->isBusy());
    EXPECT_EQ(store->activeOperation(), std::nullopt);
}

TEST_F(VaultStoreGateTest, refreshesAskedForWhileBusyRunOnceAfterwardsKeepingTheBanners)
{
    int refreshRuns = 0;
    QObject::connect(store.get(), &VaultStore::isBusyChanged, [&] { refreshRuns += store->isBusy() ? 1 : 0; });
    ASSERT_TRUE(store->beginOperation(std::nullopt, true, true));
    refreshRuns = 0;

    for (int request = 0; request < 3; ++request) {
        QCoro::waitFor(store->refresh());
    }
    EXPECT_TRUE(store->pendingRefreshRequested());
    EXPECT_FALSE(store->hasPendingRefreshTask()) << "nothing runs while the gate is closed";
    EXPECT_EQ(store->errorMessage(), std::nullopt) << "a refused refresh is deferred silently";

    store->setNoticeMessage("Cofre criado e desbloqueado.");
    store->endOperation();
    EXPECT_TRUE(store->hasPendingRefreshTask());
    EXPECT_FALSE(store->pendingRefreshRequested());
    ASSERT_TRUE(deferredRefreshFinishes());

    EXPECT_EQ(refreshRuns, 1);
    EXPECT_EQ(store->noticeMessage(), "Cofre criado e desbloqueado.");
    EXPECT_FALSE(store->isBusy());
    EXPECT_FALSE(store->pendingRefreshRequested());
}

TEST_F(VaultStoreGateTest, aDeferredRefreshOutlivedByItsStoreDoesNothing)
{
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
