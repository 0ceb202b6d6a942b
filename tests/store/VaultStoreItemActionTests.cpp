#include "support/CataloguedVault.h"
#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

namespace {

// Item actions on a vault whose "volume" is a temporary folder holding real entries, so that
// the check that an item is still the one listed meets real identities.
class VaultStoreItemActionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        vault = cataloguedVault(paths, "Cofre");
        VaultRegistry(paths).save({vault});
        volume = root.path() + "/volume";
        QDir().mkpath(volume + "/Fotos");
        QDir().mkpath(volume + "/Apresentação.app");
        write(volume + "/Relatório.pdf", "relatório");
        write(volume + "/Fotos/dentro.txt", "dentro");
        session = VaultSession{vault.id, QUrl::fromLocalFile(volume), "fuse:0:99"};
        services.disk.mountedSessionsOutcomes.setStanding({{vault.id, session}});
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The entry as a listing would have described it.
    static VaultContentItem listedItem(const QString& path, bool isPackage = false)
    {
        struct stat status {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &status), 0);
        return VaultContentItem(QUrl::fromLocalFile(path), S_ISDIR(status.st_mode), isPackage, std::nullopt,
                                std::nullopt, VaultFileIdentity::of(status));
    }

    void act(const std::optional<VaultContentItem>& item, bool reveal)
    {
        waitForTask(store->performFinderAction(vault.id, item, reveal));
        EXPECT_FALSE(store->isBusy());
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    Vault vault;
    QString volume;
    VaultSession session;
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};

TEST_F(VaultStoreItemActionTest, foldersOpenInAWindowFilesAndPackagesWithTheirApplication)
{
    act(std::nullopt, false);
    EXPECT_EQ(services.finderWorkspace.openedWindows, QList<QUrl>{QUrl::fromLocalFile(volume)});

    act(listedItem(volume + "/Fotos"), false);
    act(listedItem(volume + "/Relatório.pdf"), false);
    act(listedItem(volume + "/Apresentação.app", true), false);
    EXPECT_EQ(services.finderWorkspace.openedWindows.last(), QUrl::fromLocalFile(volume + "/Fotos"));
    EXPECT_EQ(services.finderWorkspace.openedFiles,
              (QList<QUrl>{QUrl::fromLocalFile(volume + "/Relatório.pdf"),
                           QUrl::fromLocalFile(volume + "/Apresentação.app")}));
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->noticeMessage(), std::nullopt) << "opening needs no notice";

    services.finderWorkspace.accepts = false;
    act(listedItem(volume + "/Relatório.pdf"), false);
    EXPECT_EQ(store->errorMessage(), "O Finder não conseguiu abrir o cofre.");
    act(std::nullopt, false);
    EXPECT_EQ(store->errorMessage(), "O Finder não conseguiu abrir o cofre.");

    // Ejected outside the program: nothing is opened.
    services.disk.mountedSessionsOutcomes.setStanding({});
    services.finderWorkspace.accepts = true;
    const qsizetype windows = services.finderWorkspace.openedWindows.size();
    act(std::nullopt, false);
    EXPECT_EQ(store->errorMessage(), "Desbloqueie o cofre antes de continuar.");
    EXPECT_EQ(services.finderWorkspace.openedWindows.size(), windows);
}

TEST_F(VaultStoreItemActionTest, onlyTheListedTopLevelEntryItselfIsRevealed)
{
    const VaultContentItem report = listedItem(volume + "/Relatório.pdf");
    act(report, true);
    EXPECT_EQ(services.finderWorkspace.revealed, QList<QUrl>{QUrl::fromLocalFile(volume + "/Relatório.pdf")});
    EXPECT_EQ(store->errorMessage(), std::nullopt);

    // Replaced by another file of the same name (made first, so it cannot reuse the inode).
    write(volume + "/substituto", "outro");
    ASSERT_EQ(::rename(QFile::encodeName(volume + "/substituto").constData(),
                       QFile::encodeName(volume + "/Relatório.pdf").constData()),
              0);
    act(report, true);
    EXPECT_EQ(store->errorMessage(), "O item mudou desde que foi listado. Atualize o cofre e tente novamente.");

    // An entry inside a folder of the vault is not a top-level item.
    act(listedItem(volume + "/Fotos/dentro.txt"), true);
    EXPECT_EQ(store->errorMessage(), "Esse item não pertence à raiz do cofre selecionado.");

    // A link is judged by its own identity: one swapped for a link to the same target is not it.
    ASSERT_TRUE(QFile::link(volume + "/Fotos", volume + "/atalho"));
    const VaultContentItem link = listedItem(volume + "/atalho");
    act(link, true);
    EXPECT_EQ(services.finderWorkspace.revealed.last(), QUrl::fromLocalFile(volume + "/atalho"));
    // Made while the first link still exists, so it cannot reuse its inode.
    ASSERT_TRUE(QFile::link(volume + "/Fotos", volume + "/outro-atalho"));
    ASSERT_EQ(::rename(QFile::encodeName(volume + "/outro-atalho").constData(),
                       QFile::encodeName(volume + "/atalho").constData()),
              0);
    act(link, true);
    EXPECT_EQ(store->errorMessage(), "O item mudou desde que foi listado. Atualize o cofre e tente novamente.");
    EXPECT_EQ(services.finderWorkspace.revealed.size(), 2);
}

TEST_F(VaultStoreItemActionTest, trashingNamesTheItemAndListsTheVaultAgain)
{
    const VaultContentItem report = listedItem(volume + "/Relatório.pdf");
    const VaultContentItem photos = listedItem(volume + "/Fotos");
    services.content.listing = {photos};

    waitForTask(store->trashItem(report));
    EXPECT_EQ(store->noticeMessage(), "“Relatório.pdf” foi movido para o Lixo.");
    EXPECT_EQ(store->content(), QList<VaultContentItem>{photos});
    ASSERT_EQ(services.content.trashedItems.size(), 1);
    EXPECT_EQ(services.content.trashedItems.first().second, session.mountPoint);

    // Ejected outside the program: nothing is trashed.
    services.disk.mountedSessionsOutcomes.setStanding({});
    waitForTask(store->trashItem(photos));
    EXPECT_EQ(store->errorMessage(), "Desbloqueie o cofre antes de continuar.");
    EXPECT_EQ(services.content.trashedItems.size(), 1);
    EXPECT_TRUE(store->content().isEmpty());

    // While another operation runs, only the gate's message.
    ASSERT_TRUE(store->beginOperation(std::nullopt, false, true));
    waitForTask(store->trashItem(photos));
    waitForTask(store->performFinderAction(vault.id, photos, true));
    EXPECT_EQ(store->errorMessage(), "Há outra operação em andamento.");
    EXPECT_EQ(services.content.trashedItems.size(), 1);
    EXPECT_TRUE(services.finderWorkspace.revealed.isEmpty());
    store->endOperation();
}

} // namespace
