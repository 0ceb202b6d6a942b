#include "support/CataloguedVault.h"
#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Deleting vaults of a real catalogue whose images (empty bundle folders) go to the test's own
// Trash through the real disk-image service; what is mounted is scripted.
class VaultStoreDeleteTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"Alfa", "Beta", "Gama"}) {
            vaults.append(cataloguedVault(paths, name));
        }
        VaultRegistry(paths).save(vaults);
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    void deleteVault(const Vault& vault)
    {
        waitForTask(store->performDeleteVault(vault.id));
        EXPECT_FALSE(store->isBusy());
        EXPECT_EQ(store->deletingVaultID(), std::nullopt);
    }

    static QString trashed(const QString& fileName)
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/" + fileName;
    }

    QList<QUuid> catalogueIDs() const
    {
        QList<QUuid> ids;
        for (const Vault& vault : VaultRegistry(paths).load()) {
            ids.append(vault.id);
        }
        return ids;
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    QList<Vault> vaults;
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};

TEST_F(VaultStoreDeleteTest, theSelectionMovesToTheVaultThatTookThePlaceOrToTheNewLast)
{
    // The middle one: the vault that followed it is selected.
    store->selectVault(vaults[1].id);
    deleteVault(vaults[1]);
    EXPECT_EQ(store->noticeMessage(), "O cofre “Beta” foi apagado. O arquivo “Beta.sparsebundle” está no Lixo do Mac.");
    EXPECT_EQ(store->selectedVaultID(), vaults[2].id);
    EXPECT_EQ(catalogueIDs(), (QList<QUuid>{vaults[0].id, vaults[2].id}));
    EXPECT_TRUE(QFileInfo(trashed("Beta.sparsebundle")).isDir());
    EXPECT_FALSE(QFileInfo::exists(vaults[1].imageURL.toLocalFile()));

    // The last one: the new last is selected.
    deleteVault(vaults[2]);
    EXPECT_EQ(store->selectedVaultID(), vaults[0].id);
    EXPECT_EQ(store->vaults(), QList<Vault>{vaults[0]});

    // The only one, whose image is already gone: removed from the list, selection cleared.
    QDir(vaults[0].imageURL.toLocalFile()).removeRecursively();
    deleteVault(vaults[0]);
    EXPECT_EQ(store->noticeMessage(), "O cofre “Alfa” foi removido da lista.");
    EXPECT_EQ(store->selectedVaultID(), std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::noSelection);
    EXPECT_TRUE(catalogueIDs().isEmpty());
}

TEST_F(VaultStoreDeleteTest, aVaultThatCannotBeLockedIsNotDeleted)
{
    const VaultSession session{vaults[0].id, QUrl::fromLocalFile(root.path() + "/volume"), "fuse:0:99"};
    services.disk.mountedSessionsOutcomes.setStanding({{vaults[0].id, session}});

    // In use: the forced lock is offered and nothing is touched.
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({"Preview"}));
    deleteVault(vaults[0]);
    EXPECT_EQ(store->errorMessage(),
              "O cofre não foi apagado porque não pôde ser bloqueado: O cofre ainda está em uso por Preview. Feche os "
              "arquivos abertos nele e tente novamente, ou use “Forçar bloqueio”.");
    EXPECT_EQ(store->forceLockVaultID(), vaults[0].id);
    EXPECT_EQ(services.disk.calls.at(services.disk.calls.size() - 2).mountPoint, session.mountPoint);
    EXPECT_FALSE(services.disk.calls.at(services.disk.calls.size() - 2).force);

    // The eject says yes but the volume stays.
    deleteVault(vaults[0]);
    EXPECT_EQ(store->errorMessage(), "O macOS não confirmou o bloqueio do cofre; ele continua montado.");
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);

    // The eject fails and the state cannot be confirmed either.
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({}));
    services.disk.mountedSessionsOutcomes.push({{vaults[0].id, session}});
    services.disk.mountedSessionsOutcomes.pushError(VaultError::commandTimedOut("hdiutil"));
    deleteVault(vaults[0]);
    EXPECT_TRUE(store->errorMessage()->startsWith("O cofre não foi apagado. O cofre ainda está em uso por outro app."));
    EXPECT_TRUE(store->errorMessage()->contains(" Também não foi possível confirmar o estado do cofre: "));
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt) << "busy, but no longer known to be mounted";
    EXPECT_EQ(store->state(vaults[0].id), VaultRowState::needsAttention);

    EXPECT_EQ(catalogueIDs().size(), 3);
    EXPECT_TRUE(QFileInfo(vaults[0].imageURL.toLocalFile()).isDir());

    // Locked, then trashed: the notice is the plain deletion notice.
    services.disk.mountedSessionsOutcomes.push({{vaults[0].id, session}});
    services.disk.mountedSessionsOutcomes.setStanding({});
    deleteVault(vaults[0]);
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), "O cofre “Alfa” foi apagado. O arquivo “Alfa.sparsebundle” está no Lixo do Mac.");
    EXPECT_FALSE(store->sessions().contains(vaults[0].id));
}

} // namespace
