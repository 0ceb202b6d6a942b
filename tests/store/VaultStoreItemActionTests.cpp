#include "support/TestFiles.h"
#include "support/VaultStoreFixture.h"

#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

// Item actions on a vault whose "volume" is a temporary folder holding real entries, so that
// the check that an item is still the one listed meets real identities.
class ItemActionTest : public VaultStoreFixture
{
protected:
    void SetUp() override
    {
        makeStore({"Cofre"});
        volume = sessionOf(vault(0)).mountPoint.toLocalFile().chopped(1);
        QDir().mkpath(volume + "/Apresentação.app");
        TestFiles::writeFile(volume + "/Relatório.pdf", "relatório");
        TestFiles::writeFile(volume + "/Fotos/dentro.txt", "dentro");
        services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(0)}));
    }

    // The entry as a listing would have described it.
    static VaultContentItem listedItem(const QString& path, bool isPackage = false)
    {
        struct stat status = {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &status), 0);
        return VaultContentItem(QUrl::fromLocalFile(path), S_ISDIR(status.st_mode), isPackage, std::nullopt,
                                std::nullopt, VaultFileIdentity::of(status));
    }

    void act(const std::optional<VaultContentItem>& item, bool reveal)
    {
        waitForTask(store->performFinderAction(vault(0).id, item, reveal));
        EXPECT_FALSE(store->isBusy());
    }

    // Replaces the entry at `path` by a new one made at `newcomer` first, so it cannot reuse the inode.
    static void replace(const QString& path, const QString& newcomer)
    {
        ASSERT_EQ(::rename(QFile::encodeName(newcomer).constData(), QFile::encodeName(path).constData()), 0);
    }

    QString volume;
};

const QString changed = "O item mudou desde que foi listado. Atualize o cofre e tente novamente.";

TEST_F(ItemActionTest, foldersOpenInAWindowFilesAndPackagesWithTheirApplication)
{
    FakeFinderWorkspace& files = services.finderWorkspace;
    act(std::nullopt, false);
    act(listedItem(volume + "/Fotos"), false);
    act(listedItem(volume + "/Relatório.pdf"), false);
    act(listedItem(volume + "/Apresentação.app", true), false);
    EXPECT_EQ(files.openedWindows, (QList<QUrl>{QUrl::fromLocalFile(volume), QUrl::fromLocalFile(volume + "/Fotos")}));
    EXPECT_EQ(files.openedFiles, (QList<QUrl>{QUrl::fromLocalFile(volume + "/Relatório.pdf"),
                                              QUrl::fromLocalFile(volume + "/Apresentação.app")}));
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), std::nullopt) << "opening needs no notice";

    files.accepts = false;
    act(listedItem(volume + "/Relatório.pdf"), false);
    EXPECT_EQ(store->errorMessage(), "O gerenciador de arquivos não conseguiu abrir o cofre.");

    // Ejected outside the program: nothing is opened.
    services.disk.mountedSessionsOutcomes.setStanding({});
    files.accepts = true;
    act(std::nullopt, false);
    EXPECT_EQ(store->errorMessage(), "Desbloqueie o cofre antes de continuar.");
    EXPECT_EQ(files.openedWindows.size(), 2);
}

TEST_F(ItemActionTest, onlyTheListedTopLevelEntryItselfIsRevealed)
{
    const VaultContentItem report = listedItem(volume + "/Relatório.pdf");
    act(report, true);
    EXPECT_EQ(services.finderWorkspace.revealed, QList<QUrl>{QUrl::fromLocalFile(volume + "/Relatório.pdf")});
    EXPECT_EQ(store->errorMessage(), std::nullopt);

    TestFiles::writeFile(volume + "/substituto", "outro");
    replace(volume + "/Relatório.pdf", volume + "/substituto");
    act(report, true);
    EXPECT_EQ(store->errorMessage(), changed);

    act(listedItem(volume + "/Fotos/dentro.txt"), true);
    EXPECT_EQ(store->errorMessage(), "Esse item não pertence à raiz do cofre selecionado.");

    // A link is judged by its own identity: one swapped for a link to the same target is not it.
    ASSERT_TRUE(QFile::link(volume + "/Fotos", volume + "/atalho"));
    const VaultContentItem link = listedItem(volume + "/atalho");
    act(link, true);
    EXPECT_EQ(services.finderWorkspace.revealed.last(), QUrl::fromLocalFile(volume + "/atalho"));
    ASSERT_TRUE(QFile::link(volume + "/Fotos", volume + "/outro-atalho"));
    replace(volume + "/atalho", volume + "/outro-atalho");
    act(link, true);
    EXPECT_EQ(store->errorMessage(), changed);
    EXPECT_EQ(services.finderWorkspace.revealed.size(), 2);
}

TEST_F(ItemActionTest, trashingNamesTheItemAndListsTheVaultAgain)
{
    const VaultContentItem report = listedItem(volume + "/Relatório.pdf");
    const VaultContentItem photos = listedItem(volume + "/Fotos");
    services.content.listing = {photos};

    waitForTask(store->trashItem(report));
    EXPECT_EQ(store->noticeMessage(), "“Relatório.pdf” foi movido para a Lixeira.");
    EXPECT_EQ(store->content(), QList<VaultContentItem>{photos});
    EXPECT_EQ(services.content.trashedItems,
              (QList<QPair<VaultContentItem, QUrl>>{{report, sessionOf(vault(0)).mountPoint}}));

    // Ejected outside the program: nothing is trashed.
    services.disk.mountedSessionsOutcomes.setStanding({});
    waitForTask(store->trashItem(photos));
    EXPECT_EQ(store->errorMessage(), "Desbloqueie o cofre antes de continuar.");
    EXPECT_EQ(services.content.trashedItems.size(), 1);
    EXPECT_TRUE(store->content().isEmpty());

    // While another operation runs, only the gate's message.
    ASSERT_TRUE(store->beginOperation(std::nullopt, false, true));
    waitForTask(store->trashItem(photos));
    waitForTask(store->performFinderAction(vault(0).id, photos, true));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    EXPECT_EQ(services.content.trashedItems.size(), 1);
    EXPECT_TRUE(services.finderWorkspace.revealed.isEmpty());
    store->endOperation();
}

// Deleting vaults of a real catalogue whose images go to the test's own Trash through the real
// disk-image service; what is mounted is scripted.
class DeleteTest : public VaultStoreFixture
{
protected:
    void SetUp() override { makeStore({"Alfa", "Beta", "Gama"}); }

    void deleteVault(const Vault& vault)
    {
        waitForTask(store->performDeleteVault(vault.id));
        EXPECT_FALSE(store->isBusy());
        EXPECT_EQ(store->deletingVaultID(), std::nullopt);
    }

    QStringList catalogueNames() const
    {
        QStringList names;
        for (const Vault& vault : VaultRegistry(paths).load().vaults) {
            names.append(vault.name);
        }
        return names;
    }
};

TEST_F(DeleteTest, theSelectionMovesToTheVaultThatTookThePlaceOrToTheNewLast)
{
    const QList<Vault> vaults = store->vaults();
    store->selectVault(vaults[1].id);
    deleteVault(vaults[1]);
    EXPECT_EQ(store->noticeMessage(), "O cofre “Beta” foi apagado. O arquivo “Beta.sparsebundle” está na Lixeira.");
    EXPECT_EQ(store->selectedVaultID(), vaults[2].id);
    EXPECT_EQ(catalogueNames(), (QStringList{"Alfa", "Gama"}));
    EXPECT_TRUE(QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          "/Trash/files/Beta.sparsebundle")
                    .isDir());
    EXPECT_FALSE(QFileInfo::exists(vaults[1].imageURL.toLocalFile()));

    deleteVault(vaults[2]);
    EXPECT_EQ(store->selectedVaultID(), vaults[0].id);

    // The only one, whose image is already gone: removed from the list, selection cleared.
    QDir(vaults[0].imageURL.toLocalFile()).removeRecursively();
    deleteVault(vaults[0]);
    EXPECT_EQ(store->noticeMessage(), "O cofre “Alfa” foi removido da lista.");
    EXPECT_EQ(store->status(), VaultStatus::noSelection);
    EXPECT_TRUE(catalogueNames().isEmpty());
}

TEST_F(DeleteTest, aVaultThatCannotBeLockedIsNotDeleted)
{
    services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(0)}));

    // In use: the forced lock is offered and nothing is touched.
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({"Preview"}));
    deleteVault(vault(0));
    EXPECT_EQ(store->errorMessage(),
              "O cofre não foi apagado porque não pôde ser bloqueado: O cofre ainda está em uso por Preview. Feche os "
              "arquivos abertos nele e tente novamente, ou use “Forçar bloqueio”.");
    EXPECT_EQ(store->forceLockVaultID(), vault(0).id);
    const FakeFinderImportDiskService::Call eject = services.disk.calls.at(services.disk.calls.size() - 2);
    EXPECT_EQ(eject.mountPoint, sessionOf(vault(0)).mountPoint);
    EXPECT_FALSE(eject.force);

    // The eject says yes but the volume stays.
    deleteVault(vault(0));
    EXPECT_EQ(store->errorMessage(), "O sistema não confirmou o bloqueio do cofre; ele continua montado.");
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt);

    // The eject fails and the state cannot be confirmed either.
    services.disk.ejectOutcomes.pushError(VaultError::volumeBusy({}));
    services.disk.mountedSessionsOutcomes.push(mounted({vault(0)}));
    services.disk.mountedSessionsOutcomes.pushError(VaultError::commandTimedOut("kovara-hdiutil"));
    deleteVault(vault(0));
    EXPECT_TRUE(store->errorMessage()->startsWith("O cofre não foi apagado. O cofre ainda está em uso por outro app."));
    EXPECT_TRUE(store->errorMessage()->endsWith(
        " Também não foi possível confirmar o estado do cofre: kovara-hdiutil excedeu o tempo limite e foi interrompido."));
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt) << "busy, but no longer known to be mounted";
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::needsAttention);
    EXPECT_EQ(catalogueNames().size(), 3);
    EXPECT_TRUE(QFileInfo(vault(0).imageURL.toLocalFile()).isDir());

    // Locked, then trashed.
    services.disk.mountedSessionsOutcomes.push(mounted({vault(0)}));
    services.disk.mountedSessionsOutcomes.setStanding({});
    deleteVault(vault(0));
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), "O cofre “Alfa” foi apagado. O arquivo “Alfa.sparsebundle” está na Lixeira.");
    EXPECT_EQ(catalogueNames(), (QStringList{"Beta", "Gama"}));
}

} // namespace
