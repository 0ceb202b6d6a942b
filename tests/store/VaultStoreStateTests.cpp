#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A store over a private catalogue of three vaults: A and B have their images, C's is gone.
class VaultStoreStateTest : public testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(paths.storageDirectory.toLocalFile());
        for (const char* name : {"A", "B", "C"}) {
            const QUuid id = QUuid::createUuid();
            const QString image = paths.storageDirectory.toLocalFile() + id.toString(QUuid::WithoutBraces) +
                                  ".sparsebundle";
            vaults.append(Vault{id, name, QUrl::fromLocalFile(image), QDateTime::currentDateTimeUtc()});
        }
        QDir().mkpath(vaults[0].imageURL.toLocalFile());
        QDir().mkpath(vaults[1].imageURL.toLocalFile());
        VaultRegistry(paths).save(vaults);
    }

    std::unique_ptr<InspectableVaultStore> makeStore()
    {
        return std::make_unique<InspectableVaultStore>(paths, services);
    }

    QUuid idOf(int index) const { return vaults[index].id; }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    QList<Vault> vaults;
    StoreTestServices services{paths};
};

VaultContentItem itemNamed(const QString& name)
{
    const QUrl url = QUrl::fromLocalFile("/run/kovara/A/" + name);
    return VaultContentItem(url, false, false, 1, std::nullopt, VaultFileIdentity{1, 2, 0100000});
}

TEST_F(VaultStoreStateTest, startsWithTheCatalogueAndEveryVaultNeedingAttention)
{
    const auto store = makeStore();
    EXPECT_EQ(store->vaults(), vaults);
    EXPECT_EQ(store->selectedVaultID(), idOf(0));
    EXPECT_TRUE(store->registryIsUsable());
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::needsAttention);
    for (const Vault& vault : vaults) {
        EXPECT_EQ(store->state(vault.id), VaultRowState::needsAttention) << "not confirmed before a refresh";
    }
    EXPECT_FALSE(store->isBusy());
    EXPECT_TRUE(store->canEnqueueOperation());
}

TEST_F(VaultStoreStateTest, anUnusableCatalogueLeavesTheStoreEmptyWithItsReason)
{
    QFile::rename(paths.registryURL.toLocalFile(), root.path() + "/real.json");
    QFile::link(root.path() + "/real.json", paths.registryURL.toLocalFile());

    const auto store = makeStore();
    const QString expected = "O catálogo de cofres não pôde ser usado e não foi alterado. O catálogo de cofres "
                             "contém dados inválidos e não foi alterado. vaults.json não pode ser um link simbólico.";
    EXPECT_EQ(store->errorMessage(), expected);
    EXPECT_FALSE(store->registryIsUsable());
    EXPECT_EQ(store->registryFailureDetail(), "O catálogo de cofres contém dados inválidos e não foi alterado. "
                                              "vaults.json não pode ser um link simbólico.");
    EXPECT_TRUE(store->vaults().isEmpty());
    EXPECT_EQ(store->selectedVaultID(), std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::noSelection);

    // A refresh says so again, even after the banner was dismissed.
    store->clearMessages();
    QCoro::waitFor(store->refresh());
    EXPECT_EQ(store->errorMessage(), expected);
    EXPECT_FALSE(store->isBusy());
}

TEST_F(VaultStoreStateTest, rowStatesFollowConfirmedMountsAndImages)
{
    const auto store = makeStore();
    EXPECT_EQ(store->state(QUuid::createUuid()), VaultRowState::needsAttention) << "not in the catalogue";

    const VaultSession sessionA{idOf(0), QUrl::fromLocalFile("/run/kovara/A"), "fuse:0:50"};
    store->setContent({itemNamed("x.txt")});
    store->installSessions({{idOf(0), sessionA}});
    EXPECT_EQ(store->state(idOf(0)), VaultRowState::unlocked);
    EXPECT_EQ(store->state(idOf(1)), VaultRowState::locked);
    EXPECT_EQ(store->state(idOf(2)), VaultRowState::missingImage);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
    EXPECT_EQ(store->content().size(), 1) << "the mounted selection keeps its listing";

    // When the mount state can no longer be trusted, everything needs attention again.
    QSignalSpy attention(store.get(), &VaultStore::attentionVaultIDsChanged);
    store->markAllVaultsAsNeedingAttention();
    EXPECT_TRUE(store->sessions().isEmpty());
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->status(), VaultStatus::needsAttention);
    EXPECT_EQ(attention.count(), 1);
    for (const Vault& vault : vaults) {
        EXPECT_EQ(store->state(vault.id), VaultRowState::needsAttention);
    }

    store->installSessions({});
    store->selectVault(idOf(2));
    EXPECT_EQ(store->status(), VaultStatus::missingImage);
    store->selectVault(QUuid::createUuid());
    EXPECT_EQ(store->status(), VaultStatus::noSelection) << "a selection outside the catalogue shows nothing";
    store->selectVault(std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::noSelection);
}

TEST_F(VaultStoreStateTest, changeSignalsFireOncePerRealChangeOnly)
{
    const auto store = makeStore();
    const QUuid id = idOf(1);

    // Each writer assigns a value, the same value again, then a different one.
    struct Writer
    {
        const char* property;
        void (VaultStore::*signal)();
        std::function<void(int)> write; // 0 and 1 are the same value, 2 differs
    };
    InspectableVaultStore& s = *store;
    const VaultOperationState operation = VaultOperationState::starting(VaultOperationKind::import, id);
    const Writer writers[] = {
        {"errorMessage", &VaultStore::errorMessageChanged,
         [&](int step) { s.setErrorMessage(step < 2 ? QString("erro") : QString("outro")); }},
        {"noticeMessage", &VaultStore::noticeMessageChanged,
         [&](int step) { s.setNoticeMessage(step < 2 ? std::optional<QString>("aviso") : std::nullopt); }},
        {"content", &VaultStore::contentChanged,
         [&](int step) { s.setContent({itemNamed(step < 2 ? "a" : "b")}); }},
        {"sessions", &VaultStore::sessionsChanged,
         [&](int step) { s.setSessions({{id, VaultSession{id, QUrl::fromLocalFile("/m"), step < 2 ? "d1" : "d2"}}}); }},
        {"busyVaultID", &VaultStore::busyVaultIDChanged,
         [&](int step) { s.setBusyVaultID(step < 2 ? std::optional(id) : std::nullopt); }},
        {"activeOperation", &VaultStore::activeOperationChanged,
         [&](int step) {
             if (step == 0) {
                 s.setActiveOperation(operation);
             } else {
                 s.updateActiveOperation([step](VaultOperationState& state) {
                     state.completedBytes = step < 2 ? std::nullopt : std::optional<std::int64_t>(7);
                 });
             }
         }},
        {"unlockFailure", &VaultStore::unlockFailureChanged,
         [&](int step) { s.setUnlockFailure(VaultUnlockFailure{id, step < 2 ? "x" : "y"}); }},
        {"forceLockVaultID", &VaultStore::forceLockVaultIDChanged,
         [&](int step) { s.setForceLockVaultID(step < 2 ? idOf(0) : idOf(1)); }},
        {"forceLockContinuesTermination", &VaultStore::forceLockContinuesTerminationChanged,
         [&](int step) { s.setForceLockContinuesTermination(step < 2); }},
        {"deletingVaultID", &VaultStore::deletingVaultIDChanged,
         [&](int step) { s.setDeletingVaultID(step < 2 ? idOf(0) : idOf(1)); }},
        {"vaults", &VaultStore::vaultsChanged,
         [&](int step) { s.setVaults(step < 2 ? vaults.mid(0, 2) : vaults); }},
    };
    for (const Writer& writer : writers) {
        QSignalSpy spy(store.get(), writer.signal);
        writer.write(0);
        EXPECT_EQ(spy.count(), 1) << writer.property;
        writer.write(1);
        EXPECT_EQ(spy.count(), 1) << writer.property << ": an equal value must not notify";
        writer.write(2);
        EXPECT_EQ(spy.count(), 2) << writer.property;
    }
}

TEST_F(VaultStoreStateTest, selectingAnotherVaultClearsBannersAndContent)
{
    const auto store = makeStore();
    const auto fillBanners = [&] {
        store->setErrorMessage("erro");
        store->setNoticeMessage("aviso");
        store->setUnlockFailure(VaultUnlockFailure{idOf(0), "senha errada"});
        store->setForceLockVaultID(idOf(0));
        store->setForceLockContinuesTermination(true);
        store->setContent({itemNamed("a.txt")});
    };
    fillBanners();
    QSignalSpy selection(store.get(), &VaultStore::selectedVaultIDChanged);
    QSignalSpy error(store.get(), &VaultStore::errorMessageChanged);

    store->selectVault(idOf(0));
    EXPECT_EQ(selection.count(), 0);
    EXPECT_EQ(error.count(), 0);
    EXPECT_EQ(store->errorMessage(), "erro") << "selecting the selected vault keeps every banner";
    EXPECT_EQ(store->unlockFailureMessage(idOf(0)), "senha errada");
    EXPECT_EQ(store->unlockFailureMessage(idOf(1)), std::nullopt) << "shown only beside its own vault";
    EXPECT_EQ(store->content().size(), 1);

    store->selectVault(idOf(1));
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(store->selectedVaultID(), idOf(1));
    EXPECT_EQ(store->selectedVault(), vaults[1]);
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), std::nullopt);
    EXPECT_EQ(store->unlockFailure(), std::nullopt);
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
    EXPECT_FALSE(store->forceLockContinuesTermination());
    EXPECT_TRUE(store->content().isEmpty());

    // An operation that moves the selection empties the content too, but leaves the banners.
    fillBanners();
    store->setSelectedVaultID(idOf(2));
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->noticeMessage(), "aviso");

    store->clearError();
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->unlockFailure(), std::nullopt);
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
    EXPECT_FALSE(store->forceLockContinuesTermination());
    EXPECT_EQ(store->noticeMessage(), "aviso") << "clearError keeps the notice";
    store->clearNotice();
    EXPECT_EQ(store->noticeMessage(), std::nullopt);
}

} // namespace
