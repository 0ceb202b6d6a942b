#include "model/ErrorMessage.h"
#include "support/CataloguedVault.h"
#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

// An import into the catalogued vault "Cofre", whose volume the scripted disk service reports
// mounted at a temporary folder (or not, for the tests that unlock it first). The copy itself
// is the scripted content service's.
class VaultStoreImportTest : public testing::Test
{
protected:
    void SetUp() override
    {
        vault = cataloguedVault(paths, "Cofre");
        VaultRegistry(paths).save({vault});
        QDir().mkpath(root.path() + "/volume");
        session = VaultSession{vault.id, QUrl::fromLocalFile(root.path() + "/volume"), "fuse:0:99"};
        store = std::make_unique<InspectableVaultStore>(paths, services);
        listed = VaultContentItem(QUrl::fromLocalFile(root.path() + "/volume/a.txt"), false, false, 3, std::nullopt, {});
        services.content.listing = {listed};
    }

    void mountVault() { services.disk.mountedSessionsOutcomes.setStanding({{vault.id, session}}); }

    QUrl source(const QString& name) const { return QUrl::fromLocalFile(root.path() + "/origem/" + name); }

    QUrl destination(const QString& name) const { return QUrl::fromLocalFile(root.path() + "/volume/" + name); }

    // Runs an enqueued import to its end (the gate open, no progress record left).
    VaultImportBatchResult enqueueAndFinish(const QList<QUrl>& urls, std::optional<QString> password = std::nullopt)
    {
        std::optional<VaultImportBatchResult> delivered;
        EXPECT_TRUE(store->enqueueImportItems(urls, vault.id, password,
                                              [&delivered](const VaultImportBatchResult& result) { delivered = result; }));
        EXPECT_TRUE(QTest::qWaitFor([this] { return !store->hasOperationTask(); }, 10'000));
        EXPECT_FALSE(store->isBusy());
        EXPECT_EQ(store->activeOperation(), std::nullopt);
        return delivered.value_or(VaultImportBatchResult{});
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    Vault vault;
    VaultSession session;
    VaultContentItem listed;
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};

TEST_F(VaultStoreImportTest, oneNoticeSumsUpTheBatchAndEachFailureGetsItsOwnLine)
{
    mountVault();

    // All copied: the count, and the content of the selected vault shows the new listing.
    EXPECT_TRUE(waitForTask(store->addItems({source("a.txt"), source("b.txt"), source("c.txt")})));
    EXPECT_EQ(store->noticeMessage(), "3 itens adicionados ao cofre. As origens foram preservadas.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->content(), QList<VaultContentItem>{listed});
    EXPECT_EQ(services.content.addCalls.size(), 3) << "one call per item, so that items fail on their own";
    EXPECT_EQ(store->sessions(), (QHash<QUuid, VaultSession>{{vault.id, session}}));
    EXPECT_EQ(store->status(), VaultStatus::unlocked);

    // One copied under a new name: the plural wording is used even for one.
    services.content.destinationsBySource[source("a.txt")] = {destination("a 2.txt")};
    EXPECT_TRUE(waitForTask(store->addItems({source("a.txt")})));
    EXPECT_EQ(store->noticeMessage(), "1 itens adicionados; 1 receberam outro nome para não substituir conteúdo "
                                      "existente. As origens foram preservadas.");

    // One failing among three: the others go on, and the error names the failed item. A copy
    // that reports no destination fails as a missing source.
    services.content.destinationsBySource.clear();
    services.content.addFailureBySource[source("b.txt")] =
        std::make_exception_ptr(VaultError::sourceMissing("b.txt"));
    EXPECT_FALSE(waitForTask(store->addItems({source("a.txt"), source("b.txt"), source("c.txt")})));
    EXPECT_EQ(store->noticeMessage(), "2 itens adicionados ao cofre. As origens foram preservadas.");
    EXPECT_EQ(store->errorMessage(), "b.txt: O item de origem não foi encontrado: b.txt.");

    services.content.addFailureBySource.clear();
    services.content.destinationsBySource[source("vazio")] = {};
    const VaultImportBatchResult noDestination = waitForTask(store->importItems({source("vazio")}, vault.id, {}));
    EXPECT_EQ(noDestination.failures,
              (QList<VaultImportItemFailure>{{source("vazio"), "O item de origem não foi encontrado: vazio."}}));
    EXPECT_EQ(noDestination.refreshedContent, std::nullopt) << "nothing was copied, so nothing was listed again";
    EXPECT_EQ(store->noticeMessage(), std::nullopt);

    // Protection warnings of the mount follow the notice under their heading.
    services.content.destinationsBySource.clear();
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"aviso a", "aviso b"}});
    EXPECT_TRUE(waitForTask(store->addItems({source("a.txt")})));
    EXPECT_EQ(store->noticeMessage(),
              "Item adicionado ao cofre. A origem foi preservada.\n\nAtenção:\n\u2022 aviso a\n\u2022 aviso b");

    // A listing that fails after the copy: the copy stands, the old listing stays.
    services.content.listFailure = std::make_exception_ptr(VaultError(VaultError::Kind::noMountedVolume));
    const VaultImportBatchResult unlisted = waitForTask(store->importItems({source("a.txt")}, vault.id, {}));
    EXPECT_EQ(unlisted.completedSourceURLs, QList<QUrl>{source("a.txt")});
    EXPECT_EQ(unlisted.refreshedContent, std::nullopt);
    EXPECT_EQ(store->errorMessage(),
              "A cópia foi concluída, mas o conteúdo do cofre não pôde ser atualizado na tela: " +
                  VaultError(VaultError::Kind::noMountedVolume).errorDescription());
}

TEST_F(VaultStoreImportTest, aLockedVaultIsUnlockedOnlyWithAPasswordAndEveryItemFailsOtherwise)
{
    const QList<QUrl> urls{source("a.txt"), source("b.txt")};
    const QString locked = VaultError(VaultError::Kind::vaultLocked).errorDescription();

    // No password: nothing is attached and every item fails with the same text.
    VaultImportBatchResult result = waitForTask(store->importItems(urls, vault.id, std::nullopt));
    EXPECT_EQ(result.failures, (QList<VaultImportItemFailure>{{urls[0], locked}, {urls[1], locked}}));
    EXPECT_EQ(store->errorMessage(), locked);
    EXPECT_FALSE(services.disk.operations().contains("attach"));
    EXPECT_TRUE(services.content.addCalls.isEmpty());

    // A password that is not one.
    result = waitForTask(store->importItems(urls, vault.id, QString("")));
    EXPECT_EQ(store->errorMessage(), "Informe uma senha para criptografar o cofre.");

    // A refused password: the attach's own message, nothing mounted, nothing copied.
    services.disk.attachOutcomes.pushError(VaultError(VaultError::Kind::unlockFailed));
    result = waitForTask(store->importItems(urls, vault.id, QString("senha errada")));
    const QString refused = VaultError(VaultError::Kind::unlockFailed).errorDescription();
    EXPECT_EQ(result.failures, (QList<VaultImportItemFailure>{{urls[0], refused}, {urls[1], refused}}));
    EXPECT_EQ(store->errorMessage(), refused);
    EXPECT_EQ(store->noticeMessage(), std::nullopt);
    EXPECT_EQ(services.disk.operations().mid(services.disk.operations().size() - 3),
              (QStringList{"mountedSessions", "attach", "mountedSessions"}))
        << "the failed attach is followed by a new look at what is mounted";
    EXPECT_TRUE(services.content.addCalls.isEmpty());

    // The right password: attached, recorded as unlocked, then copied into its volume.
    services.disk.attachOutcomes.push({session, MountProtectionReport{{"aviso"}}});
    const VaultImportBatchResult imported = enqueueAndFinish(urls, QString("senha certa"));
    EXPECT_EQ(services.disk.calls.last().operation, "attach");
    EXPECT_EQ(services.disk.calls.last().password, "senha certa");
    EXPECT_EQ(imported.completedSourceURLs, urls);
    EXPECT_EQ(store->sessions().value(vault.id), session);
    EXPECT_EQ(store->state(vault.id), VaultRowState::unlocked);
    EXPECT_EQ(services.content.addCalls.last().second, session.mountPoint);
    EXPECT_EQ(store->noticeMessage(),
              "2 itens adicionados ao cofre. As origens foram preservadas.\n\nAtenção:\n\u2022 aviso");

    // A vault whose image has vanished.
    QDir(vault.imageURL.toLocalFile()).removeRecursively();
    services.disk.mountedSessionsOutcomes.setStanding({});
    result = waitForTask(store->importItems(urls, vault.id, QString("senha certa")));
    EXPECT_EQ(store->errorMessage(), "O arquivo deste cofre não foi encontrado.");
    EXPECT_EQ(result.failures.size(), 2);
}

TEST_F(VaultStoreImportTest, cancellingDuringTheSecondOfFourItemsKeepsTheFirstAndFailsTheRest)
{
    mountVault();
    const QList<QUrl> urls{source("a.txt"), source("b.txt"), source("c.txt"), source("d.txt")};
    // The user presses cancel while the second item is being copied.
    services.content.beforeAdding = [this, urls](QUrl url, std::stop_token) -> QCoro::Task<void> {
        if (url == urls[1]) {
            EXPECT_TRUE(store->canCancelActiveOperation());
            store->cancelActiveOperation();
            EXPECT_EQ(store->activeOperation()->phase, VaultOperationPhase::cancelling);
        }
        co_return;
    };

    const VaultImportBatchResult result = enqueueAndFinish(urls);

    const QString cancelled = "A operação foi cancelada.";
    EXPECT_EQ(result.completedSourceURLs, QList<QUrl>{urls[0]});
    EXPECT_EQ(result.failures,
              (QList<VaultImportItemFailure>{{urls[1], cancelled}, {urls[2], cancelled}, {urls[3], cancelled}}));
    EXPECT_EQ(services.content.addCalls.size(), 2) << "the items after the cancelled one are not started";
    EXPECT_EQ(result.refreshedContent, QList<VaultContentItem>{listed}) << "what was copied is listed";
    EXPECT_EQ(store->content(), QList<VaultContentItem>{listed});
    EXPECT_EQ(store->noticeMessage(), "Item adicionado ao cofre. A origem foi preservada.");
    EXPECT_EQ(store->errorMessage(), "b.txt: " + cancelled + "\nc.txt: " + cancelled + "\nd.txt: " + cancelled);
}

TEST_F(VaultStoreImportTest, progressAddsUpFinishedItemsAndSaturatesInsteadOfOverflowing)
{
    mountVault();
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    QList<VaultOperationState> shown;
    QObject::connect(store.get(), &VaultStore::activeOperationChanged, [this, &shown] {
        if (store->activeOperation()) {
            shown.append(*store->activeOperation());
        }
    });
    VaultCopyProgress halfway;
    halfway.completedBytes = 500;
    halfway.totalBytes = 1000;
    halfway.phase = VaultCopyPhase::copying;
    services.content.copyProgress = {halfway};

    // Sizes that fit: the second item's progress counts on top of the first item's measured size.
    services.content.dataBytesBySource[source("a.txt")] = 1000;
    services.content.dataBytesBySource[source("b.txt")] = 3000;
    enqueueAndFinish({source("a.txt"), source("b.txt")});
    const auto secondHalfway = std::find_if(shown.cbegin(), shown.cend(), [](const VaultOperationState& state) {
        return state.currentItemName == "b.txt" && state.completedBytes == 1500;
    });
    ASSERT_NE(secondHalfway, shown.cend());
    EXPECT_EQ(secondHalfway->totalBytes, 4000);
    EXPECT_EQ(secondHalfway->phase, VaultOperationPhase::copying);
    EXPECT_EQ(secondHalfway->percentage(), 37);
    EXPECT_EQ(shown.last().phase, VaultOperationPhase::refreshing);

    // Sizes whose sum overflows: no total is shown, and the figure stops at the largest value.
    shown.clear();
    services.content.dataBytesBySource[source("a.txt")] = largest - 10;
    enqueueAndFinish({source("a.txt"), source("b.txt")});
    ASSERT_FALSE(shown.isEmpty());
    for (const VaultOperationState& state : std::as_const(shown)) {
        EXPECT_GE(state.completedBytes.value_or(0), 0) << "a wrapped sum would be negative";
        EXPECT_EQ(state.totalBytes, std::nullopt);
    }
    const auto saturated = std::find_if(shown.cbegin(), shown.cend(), [largest](const VaultOperationState& state) {
        return state.currentItemName == "b.txt" && state.completedBytes == largest;
    });
    EXPECT_NE(saturated, shown.cend());
}

TEST_F(VaultStoreImportTest, nothingStartsWithoutItemsOrWhileAnotherOperationRuns)
{
    mountVault();
    EXPECT_FALSE(store->enqueueImportItems({}, vault.id, std::nullopt));
    EXPECT_EQ(waitForTask(store->importItems({}, vault.id, std::nullopt)), VaultImportBatchResult{});

    ASSERT_TRUE(store->beginOperation(std::nullopt, false, false));
    EXPECT_FALSE(store->enqueueImportItems({source("a.txt")}, vault.id, std::nullopt));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    const VaultImportBatchResult refused = waitForTask(store->importItems({source("a.txt")}, vault.id, {}));
    EXPECT_EQ(refused.failures,
              (QList<VaultImportItemFailure>{{source("a.txt"), "Há outra operação em andamento."}}));
    EXPECT_TRUE(services.disk.calls.isEmpty());
    store->endOperation();
}

} // namespace
