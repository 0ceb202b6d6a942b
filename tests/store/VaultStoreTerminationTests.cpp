#include "support/CataloguedVault.h"
#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <qcoro/qcorotimer.h>

#include <chrono>
#include <memory>

namespace {

QCoro::Task<> answerQuit(VaultStore* store, std::optional<bool>* answer)
{
    *answer = co_await store->prepareForTermination();
}

// Quitting with two catalogued vaults, Alfa and Beta, and whatever else the scripted disk
// service reports attached from the storage folder.
class VaultStoreTerminationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // Ids chosen so that the images sort Alfa, Beta, then any name starting with a letter.
        alfa = cataloguedVault(paths, "Alfa", true, QUuid("10000000-0000-4000-8000-000000000000"));
        beta = cataloguedVault(paths, "Beta", true, QUuid("20000000-0000-4000-8000-000000000000"));
        VaultRegistry(paths).save({alfa, beta});
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    MountedDiskImage attached(const QUrl& image, const QString& volumeName) const
    {
        return {image, QUrl::fromLocalFile(root.path() + "/mnt/" + volumeName), "fuse:0:" + volumeName};
    }

    // An image in the storage folder that the catalogue does not know.
    MountedDiskImage stray(const QString& fileName) const
    {
        return attached(QUrl::fromLocalFile(paths.storageDirectory.toLocalFile() + fileName), fileName);
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

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    Vault alfa;
    Vault beta;
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};

TEST_F(VaultStoreTerminationTest, everyImageOfTheStorageFolderIsEjectedInOrderAndConfirmed)
{
    const MountedDiskImage alfaMount = attached(alfa.imageURL, "Alfa");
    const QList<MountedDiskImage> images{stray("extra 10.sparsebundle"), alfaMount, stray("extra 2.sparsebundle")};
    services.disk.mountedImagesInStorageOutcomes.push(images);
    store->setContent({VaultContentItem(QUrl::fromLocalFile("/x/a"), false, false, 1, std::nullopt, {})});

    EXPECT_TRUE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->noticeMessage(), "Todos os cofres foram bloqueados.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_TRUE(store->sessions().isEmpty());
    EXPECT_EQ(store->state(alfa.id), VaultRowState::locked);
    // Ordered by image path as the file manager orders names: numbers by their value.
    EXPECT_EQ(ejectedMountPoints(), (QList<QUrl>{alfaMount.mountPoint, images[2].mountPoint, images[0].mountPoint}));
}

TEST_F(VaultStoreTerminationTest, theSummaryNamesFailuresAndVolumesThatStayedAndOffersTheBusyVault)
{
    const MountedDiskImage alfaMount = attached(alfa.imageURL, "Alfa");
    const MountedDiskImage betaMount = attached(beta.imageURL, "Beta");
    const MountedDiskImage extra = stray("perdido.sparsebundle");
    services.disk.mountedImagesInStorageOutcomes.push({alfaMount, betaMount, extra});
    // Ejected in the order Alfa, Beta, perdido: Alfa says it detached, but it is still there.
    services.disk.ejectOutcomes.push({});
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({"Preview"}));
    services.disk.ejectOutcomes.pushError(VaultError::commandFailed("diskutil", 1, "falhou"));
    services.disk.mountedImagesInStorageOutcomes.push({extra, alfaMount, betaMount});

    EXPECT_FALSE(waitForTask(store->prepareForTermination()));
    const QString busy = VaultError::volumeBusy({"Preview"}).errorDescription();
    const QString failed = VaultError::commandFailed("diskutil", 1, "falhou").errorDescription();
    EXPECT_EQ(store->errorMessage(), "Não foi possível bloquear todos os cofres (falhas: Beta: " + busy +
                                         "; perdido.sparsebundle: " + failed + " | ainda montados: Alfa).");
    EXPECT_EQ(store->forceLockVaultID(), beta.id);
    EXPECT_TRUE(store->forceLockContinuesTermination());
    EXPECT_EQ(store->state(alfa.id), VaultRowState::unlocked);
    EXPECT_EQ(store->state(beta.id), VaultRowState::unlocked);
    EXPECT_FALSE(store->isBusy());

    // Only the one that claimed to detach: no forced lock to offer.
    services.disk.mountedImagesInStorageOutcomes.push({alfaMount});
    services.disk.mountedImagesInStorageOutcomes.push({alfaMount});
    EXPECT_FALSE(waitForTask(store->lockAllForTermination()));
    EXPECT_EQ(store->errorMessage(), "Não foi possível bloquear todos os cofres (ainda montados: Alfa).");
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
    EXPECT_FALSE(store->forceLockContinuesTermination());
}

TEST_F(VaultStoreTerminationTest, aListingThatFailsLeavesEveryVaultNeedingAttention)
{
    services.disk.mountedImagesInStorageOutcomes.pushError(VaultError::commandTimedOut("hdiutil"));
    EXPECT_FALSE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->errorMessage(), "Não foi possível confirmar os cofres antes de encerrar: " +
                                         VaultError::commandTimedOut("hdiutil").errorDescription());
    EXPECT_EQ(store->state(alfa.id), VaultRowState::needsAttention);
    EXPECT_EQ(store->state(beta.id), VaultRowState::needsAttention);

    const MountedDiskImage betaMount = attached(beta.imageURL, "Beta");
    services.disk.mountedImagesInStorageOutcomes.push({betaMount});
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({}));
    services.disk.mountedImagesInStorageOutcomes.pushError(VaultError::commandTimedOut("hdiutil"));
    EXPECT_FALSE(waitForTask(store->prepareForTermination()));
    EXPECT_EQ(store->errorMessage(), "Não foi possível confirmar se todos os cofres foram bloqueados. Falhas ao "
                                     "desmontar: Beta: " +
                                         VaultError::volumeBusy({}).errorDescription() + ". " +
                                         VaultError::commandTimedOut("hdiutil").errorDescription());
    EXPECT_EQ(store->state(beta.id), VaultRowState::needsAttention);
}

TEST_F(VaultStoreTerminationTest, aCopyThatIsCommittingIsAwaitedNotCancelled)
{
    const VaultSession session{alfa.id, QUrl::fromLocalFile(root.path() + "/mnt/Alfa"), "fuse:0:1"};
    services.disk.mountedSessionsOutcomes.setStanding({{alfa.id, session}});
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
    ASSERT_TRUE(store->enqueueImportItems({QUrl::fromLocalFile(root.path() + "/a.txt")}, alfa.id, std::nullopt));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reachedCommit; }));

    std::optional<bool> quitAnswer;
    QCoro::Task<> quitting = answerQuit(store.get(), &quitAnswer);
    QTest::qWait(0);
    EXPECT_EQ(quitAnswer, std::nullopt);
    EXPECT_EQ(store->activeOperation()->phase, VaultOperationPhase::committing) << "not cancelled";
    mayFinish = true;
    waitForTask(std::move(quitting));
    EXPECT_EQ(quitAnswer, true);
    EXPECT_EQ(store->noticeMessage(), "Todos os cofres foram bloqueados.");
    EXPECT_EQ(services.content.addCalls.size(), 1);
}

} // namespace
