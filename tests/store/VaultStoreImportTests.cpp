#include "platform/PathError.h"
#include "support/VaultStoreFixture.h"

#include <limits>

namespace {

// Imports into the catalogued vault "Cofre"; the copy itself is the scripted content service's.
class ImportTest : public VaultStoreFixture
{
protected:
    void SetUp() override
    {
        makeStore({"Cofre"});
        services.content.listing = {itemNamed("a.txt")};
    }

    void mountVault() { services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(0)})); }

    QUrl source(const QString& name) const { return QUrl::fromLocalFile(root.path() + "/origem/" + name); }

    // Runs an enqueued import to its end (the gate open, no progress record left).
    VaultImportBatchResult enqueueAndFinish(const QList<QUrl>& urls, std::optional<QString> password = std::nullopt)
    {
        std::optional<VaultImportBatchResult> delivered;
        EXPECT_TRUE(store->enqueueImportItems(
            urls, vault(0).id, password, [&delivered](const VaultImportBatchResult& result) { delivered = result; }));
        EXPECT_TRUE(QTest::qWaitFor([this] { return !store->hasOperationTask(); }, 10'000));
        EXPECT_FALSE(store->isBusy());
        EXPECT_EQ(store->activeOperation(), std::nullopt);
        return delivered.value_or(VaultImportBatchResult{});
    }
};

TEST_F(ImportTest, oneNoticeSumsUpTheBatchAndEachFailureGetsItsOwnLine)
{
    mountVault();
    EXPECT_TRUE(waitForTask(store->addItems({source("a.txt"), source("b.txt"), source("c.txt")})));
    EXPECT_EQ(store->noticeMessage(), "3 itens adicionados ao cofre. As origens foram preservadas.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->content(), services.content.listing);
    EXPECT_EQ(services.content.addCalls.size(), 3) << "one call per item, so that items fail on their own";
    EXPECT_EQ(store->status(), VaultStatus::unlocked);

    // One copied under a new name: counts of one read in the singular.
    services.content.destinationsBySource[source("a.txt")] = {QUrl::fromLocalFile(root.path() + "/a 2.txt")};
    EXPECT_TRUE(waitForTask(store->addItems({source("a.txt")})));
    EXPECT_EQ(store->noticeMessage(), "1 item adicionado; 1 recebeu outro nome para não substituir conteúdo "
                                      "existente. A origem foi preservada.");

    // One failing among three, on a file deep inside it: the others go on, and the error names,
    // from the folder the user chose it in, the file that failed (the chosen item's name once).
    services.content.destinationsBySource.clear();
    services.content.addFailureBySource[source("Fotos")] =
        std::make_exception_ptr(PathError(EACCES, root.path() + "/origem/Fotos/2019/x.jpg"));
    EXPECT_FALSE(waitForTask(store->addItems({source("a.txt"), source("Fotos"), source("c.txt")})));
    EXPECT_EQ(store->noticeMessage(), "2 itens adicionados ao cofre. As origens foram preservadas.");
    EXPECT_EQ(store->errorMessage(), "Fotos/2019/x.jpg: Permissão negada");

    // A copy that reports no destination fails as a missing source, and nothing is listed again.
    services.content.addFailureBySource.clear();
    services.content.destinationsBySource[source("vazio")] = {};
    const VaultImportBatchResult noDestination = waitForTask(store->importItems({source("vazio")}, vault(0).id, {}));
    EXPECT_EQ(noDestination.failures,
              (QList<VaultImportItemFailure>{{source("vazio"), "O item de origem não foi encontrado: vazio."}}));
    EXPECT_EQ(noDestination.refreshedContent, std::nullopt);
    EXPECT_EQ(store->noticeMessage(), std::nullopt);

    // Protection warnings of the mount follow the notice under their heading.
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"aviso a", "aviso b"}});
    EXPECT_TRUE(waitForTask(store->addItems({source("a.txt")})));
    EXPECT_EQ(store->noticeMessage(),
              "Item adicionado ao cofre. A origem foi preservada.\n\nAtenção:\n• aviso a\n• aviso b");

    // A listing that fails after the copy: the copy stands, the old listing stays.
    services.content.listFailure = std::make_exception_ptr(VaultError(VaultError::Kind::noMountedVolume));
    const VaultImportBatchResult unlisted = waitForTask(store->importItems({source("a.txt")}, vault(0).id, {}));
    EXPECT_EQ(unlisted.completedSourceURLs, QList<QUrl>{source("a.txt")});
    EXPECT_EQ(unlisted.refreshedContent, std::nullopt);
    EXPECT_EQ(store->errorMessage(), "A cópia foi concluída, mas o conteúdo do cofre não pôde ser atualizado na tela: "
                                     "O sistema não informou o volume montado pelo cofre.");
}

TEST_F(ImportTest, aLockedVaultIsUnlockedOnlyWithAPasswordAndEveryItemFailsOtherwise)
{
    const QList<QUrl> urls{source("a.txt"), source("b.txt")};
    const QString locked = "Desbloqueie o cofre antes de continuar.";
    VaultImportBatchResult result = waitForTask(store->importItems(urls, vault(0).id, std::nullopt));
    EXPECT_EQ(result.failures, (QList<VaultImportItemFailure>{{urls[0], locked}, {urls[1], locked}}));
    EXPECT_EQ(store->errorMessage(), locked);

    waitForTask(store->importItems(urls, vault(0).id, QString("")));
    EXPECT_EQ(store->errorMessage(), "Informe uma senha para criptografar o cofre.");
    EXPECT_FALSE(services.disk.operations().contains("attach"));

    // A refused password: the attach's own message, nothing copied, and a new look at what is mounted.
    services.disk.attachOutcomes.pushError(VaultError(VaultError::Kind::unlockFailed));
    result = waitForTask(store->importItems(urls, vault(0).id, QString("senha errada")));
    const QString refused = "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.";
    EXPECT_EQ(result.failures, (QList<VaultImportItemFailure>{{urls[0], refused}, {urls[1], refused}}));
    EXPECT_EQ(store->errorMessage(), refused);
    EXPECT_EQ(services.disk.operations().mid(services.disk.operations().size() - 3),
              (QStringList{"mountedSessions", "attach", "mountedSessions"}));
    EXPECT_TRUE(services.content.addCalls.isEmpty());

    // The right password: attached, recorded as unlocked, then copied into its volume.
    services.disk.attachOutcomes.push({sessionOf(vault(0)), MountProtectionReport{{"aviso"}}});
    const VaultImportBatchResult imported = enqueueAndFinish(urls, QString("senha certa"));
    EXPECT_EQ(services.disk.calls.last().password, "senha certa");
    EXPECT_EQ(imported.completedSourceURLs, urls);
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::unlocked);
    EXPECT_EQ(services.content.addCalls.last().second, sessionOf(vault(0)).mountPoint);
    EXPECT_EQ(store->noticeMessage(),
              "2 itens adicionados ao cofre. As origens foram preservadas.\n\nAtenção:\n• aviso");

    QDir(vault(0).imageURL.toLocalFile()).removeRecursively();
    result = waitForTask(store->importItems(urls, vault(0).id, QString("senha certa")));
    EXPECT_EQ(store->errorMessage(), "O arquivo deste cofre não foi encontrado.");
    EXPECT_EQ(result.failures.size(), 2);
}

TEST_F(ImportTest, cancellingDuringTheSecondOfFourItemsKeepsTheFirstAndFailsTheRest)
{
    mountVault();
    const QList<QUrl> urls{source("a.txt"), source("b.txt"), source("c.txt"), source("d.txt")};
    // The user presses cancel while the second item is being copied.
    services.content.beforeAdding = [this, urls](QUrl url, std::stop_token) -> QCoro::Task<void> {
        if (url == urls[1]) {
            EXPECT_TRUE(store->canCancelActiveOperation());
            store->cancelActiveOperation();
        }
        co_return;
    };

    const VaultImportBatchResult result = enqueueAndFinish(urls);

    const QString cancelled = "A operação foi cancelada.";
    EXPECT_EQ(result.completedSourceURLs, QList<QUrl>{urls[0]});
    EXPECT_EQ(result.failures,
              (QList<VaultImportItemFailure>{{urls[1], cancelled}, {urls[2], cancelled}, {urls[3], cancelled}}));
    EXPECT_EQ(services.content.addCalls.size(), 2) << "the items after the cancelled one are not started";
    EXPECT_EQ(result.refreshedContent, services.content.listing) << "what was copied is listed";
    EXPECT_EQ(store->noticeMessage(), "Item adicionado ao cofre. A origem foi preservada.");
    EXPECT_EQ(store->errorMessage(), "b.txt: " + cancelled + "\nc.txt: " + cancelled + "\nd.txt: " + cancelled);
}

TEST_F(ImportTest, progressAddsUpFinishedItemsAndSaturatesInsteadOfOverflowing)
{
    mountVault();
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    QList<VaultOperationState> shown;
    QObject::connect(store.get(), &VaultStore::activeOperationChanged, [this, &shown] {
        if (store->activeOperation()) {
            shown.append(*store->activeOperation());
        }
    });
    const auto shownWhile = [&shown](qint64 completedBytes) {
        return std::find_if(shown.cbegin(), shown.cend(), [completedBytes](const VaultOperationState& state) {
            return state.currentItemName == "b.txt" && state.completedBytes == completedBytes;
        });
    };
    VaultCopyProgress halfway;
    halfway.completedBytes = 500;
    halfway.totalBytes = 1000;
    halfway.phase = VaultCopyPhase::copying;
    services.content.copyProgress = {halfway};

    // The second item's progress counts on top of the first item's measured size.
    services.content.dataBytesBySource[source("a.txt")] = 1000;
    services.content.dataBytesBySource[source("b.txt")] = 3000;
    enqueueAndFinish({source("a.txt"), source("b.txt")});
    ASSERT_NE(shownWhile(1500), shown.cend());
    EXPECT_EQ(shownWhile(1500)->totalBytes, 4000);
    EXPECT_EQ(shownWhile(1500)->phase, VaultOperationPhase::copying);
    EXPECT_EQ(shownWhile(1500)->percentage(), 37);
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
    EXPECT_NE(shownWhile(largest), shown.cend());
}

} // namespace
