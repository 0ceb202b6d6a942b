// Import, item actions, delete and quitting end to end through the store's real services (the
// process runner, the disk-image service driving the stand-in tools, the content service) on
// real gocryptfs volumes mounted through FUSE in the test's private runtime folder. Only the
// file manager is a recording double.
#include "store/VaultStore.h"

#include "support/FakeFinderWorkspace.h"
#include "support/FileTreeSnapshot.h"
#include "support/GocryptfsMountGuard.h"
#include "support/QtValuePrinters.h"
#include "support/SampleFileTree.h"
#include "support/StandInTools.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

namespace {

constexpr int generousWait = 180000;

class StoreOperationsOnRealMountsTest : public testing::Test
{
protected:
    QStringList mountedVolumes() const
    {
        return GocryptfsMountGuard::mountPointsUnder(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara");
    }

    Vault createVault(const QString& name)
    {
        const std::optional<Vault> vault = waitForTask(store.createVault(name, password, 1));
        EXPECT_TRUE(vault.has_value()) << store.errorMessage().value_or("").toStdString();
        return vault.value_or(Vault{});
    }

    QString mountPointOf(const QUuid& vaultID) const
    {
        return QDir::cleanPath(store.sessions().value(vaultID).mountPoint.toLocalFile());
    }

    // For the operations that start their work and return at once.
    void awaitIdle(const std::function<void()>& start)
    {
        QSignalSpy busyChanges(&store, &VaultStore::isBusyChanged);
        start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return busyChanges.size() == 2; }, generousWait));
    }

    std::optional<VaultContentItem> listedItemNamed(const QString& name) const
    {
        const QList<VaultContentItem>& content = store.content();
        const auto found = std::find_if(content.cbegin(), content.cend(),
                                        [&name](const VaultContentItem& item) { return item.name == name; });
        return found == content.cend() ? std::nullopt : std::optional<VaultContentItem>(*found);
    }

    QStringList listedNames() const
    {
        QStringList names;
        for (const VaultContentItem& item : store.content()) {
            names.append(item.name);
        }
        names.sort();
        return names;
    }

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    GocryptfsMountGuard unmountLeftovers{{qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"}};
    FakeFinderWorkspace finderWorkspace;
    VaultStore store{paths, finderWorkspace};
    const QString password = "senha forte 42";
};

TEST_F(StoreOperationsOnRealMountsTest, filesAndAFolderAreCopiedIntoALockedVaultWithItsPassword)
{
    const Vault vault = createVault("Documentos");
    SampleFileTree::writeFile(mountPointOf(vault.id) + "/Relatório.pdf", "o relatório que já estava lá");
    QCoro::waitFor(store.lockSelectedAndWait());
    ASSERT_EQ(store.status(), VaultStatus::locked);

    const QString sources = root.path() + "/origem";
    const QByteArray report = SampleFileTree::patternedBytes(3 * 1024 * 1024 + 5);
    SampleFileTree::writeFile(sources + "/Relatório.pdf", report);
    SampleFileTree::create(sources + "/Fotos", 4 * 1024 * 1024 + 3);
    const FileTreeSnapshot before = FileTreeSnapshot::of(sources);

    std::optional<VaultImportBatchResult> result;
    const QList<QUrl> urls{QUrl::fromLocalFile(sources + "/Relatório.pdf"), QUrl::fromLocalFile(sources + "/Fotos")};
    ASSERT_TRUE(store.enqueueImportItems(urls, vault.id, password,
                                         [&result](const VaultImportBatchResult& done) { result = done; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value() && store.canEnqueueOperation(); }, generousWait));

    EXPECT_EQ(result->completedSourceURLs, urls);
    EXPECT_TRUE(result->failures.isEmpty());
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.noticeMessage(), "2 itens adicionados; 1 receberam outro nome para não substituir conteúdo "
                                     "existente. As origens foram preservadas.");
    EXPECT_EQ(store.status(), VaultStatus::unlocked) << "the import unlocked the vault and leaves it so";
    EXPECT_EQ(listedNames(), (QStringList{"Fotos", "Relatório 2.pdf", "Relatório.pdf"}));
    EXPECT_EQ(result->refreshedContent, store.content());

    const QString volume = mountPointOf(vault.id);
    EXPECT_EQ(contentsOf(volume + "/Relatório.pdf"), "o relatório que já estava lá") << "nothing was replaced";
    EXPECT_EQ(contentsOf(volume + "/Relatório 2.pdf"), report);
    const FileTreeSnapshot copiedFolder = FileTreeSnapshot::of(volume + "/Fotos");
    const FileTreeSnapshot sourceFolder = FileTreeSnapshot::of(sources + "/Fotos");
    EXPECT_EQ(copiedFolder.differencesFrom(sourceFolder), "");
    EXPECT_TRUE(QDir(volume + "/.kovara-staging").isEmpty()) << "no staged remnant";

    const FileTreeSnapshot after = FileTreeSnapshot::of(sources);
    EXPECT_EQ(after.differencesFrom(before), "") << "the sources are never changed";
}

TEST_F(StoreOperationsOnRealMountsTest, aNewVaultIsFilledWithItsInitialFolder)
{
    const QString folder = root.path() + "/Projeto";
    SampleFileTree::create(folder, 2 * 1024 * 1024 + 9);
    const FileTreeSnapshot before = FileTreeSnapshot::of(folder);

    ASSERT_TRUE(store.enqueueCreateVault("Projetos", password, 1, QUrl::fromLocalFile(folder)));
    ASSERT_TRUE(QTest::qWaitFor([this] { return store.canEnqueueOperation(); }, generousWait));

    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.noticeMessage(), "Item adicionado ao cofre. A origem foi preservada.")
        << "the import's notice replaces the creation's";
    ASSERT_EQ(store.vaults().size(), 1);
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    EXPECT_EQ(listedNames(), QStringList{"Projeto"});
    const QString copy = mountPointOf(store.vaults().first().id) + "/Projeto";
    EXPECT_EQ(FileTreeSnapshot::of(copy).differencesFrom(before), "");
    EXPECT_EQ(FileTreeSnapshot::of(folder).differencesFrom(before), "") << "the folder itself stays as it was";
}

TEST_F(StoreOperationsOnRealMountsTest, aTrashedItemWaitsInTheVolumesOwnTrashAndCanBeRestored)
{
    const Vault vault = createVault("Cartas");
    const QString volume = mountPointOf(vault.id);
    SampleFileTree::writeFile(volume + "/Carta.txt", "querida Ana");
    QCoro::waitFor(store.refresh());
    const std::optional<VaultContentItem> letter = listedItemNamed("Carta.txt");
    ASSERT_TRUE(letter.has_value());

    // Revealed and opened as the listed entry of the real volume.
    awaitIdle([&] { store.revealItem(*letter, vault.id); });
    awaitIdle([&] { store.openItem(*letter, vault.id); });
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(finderWorkspace.revealed, QList<QUrl>{QUrl::fromLocalFile(volume + "/Carta.txt")});
    EXPECT_EQ(finderWorkspace.openedFiles, QList<QUrl>{QUrl::fromLocalFile(volume + "/Carta.txt")});

    waitForTask(store.trashItem(*letter));
    EXPECT_EQ(store.noticeMessage(), "“Carta.txt” foi movido para o Lixo.");
    EXPECT_EQ(listedItemNamed("Carta.txt"), std::nullopt);
    EXPECT_TRUE(listedNames().isEmpty()) << "the volume's trash folder is never listed";
    EXPECT_FALSE(QFileInfo::exists(volume + "/Carta.txt"));

    // The item stays inside the encrypted volume, in its own trash, from where the user restores it.
    const QString volumeTrash = volume + "/.Trash-" + QString::number(::getuid());
    EXPECT_EQ(contentsOf(volumeTrash + "/files/Carta.txt"), "querida Ana");
    EXPECT_TRUE(QFileInfo(volumeTrash + "/info/Carta.txt.trashinfo").isFile());
    ASSERT_TRUE(QFile::rename(volumeTrash + "/files/Carta.txt", volume + "/Carta.txt"));
    QFile::remove(volumeTrash + "/info/Carta.txt.trashinfo");
    QCoro::waitFor(store.refresh());
    EXPECT_EQ(listedNames(), QStringList{"Carta.txt"});
    EXPECT_EQ(contentsOf(volume + "/Carta.txt"), "querida Ana");

    EXPECT_EQ(listedItemNamed("Carta.txt")->fileSystemIdentity, letter->fileSystemIdentity)
        << "restored, it is the same file again";
}

TEST_F(StoreOperationsOnRealMountsTest, aDeletedVaultIsLockedAndItsEncryptedBundleGoesToTheTrash)
{
    const Vault kept = createVault("Outro");
    const Vault album = createVault("Álbum 2024");
    SampleFileTree::writeFile(mountPointOf(album.id) + "/foto.jpg", "imagem");
    const QString mountPoint = mountPointOf(album.id);
    ASSERT_TRUE(mountedVolumes().contains(mountPoint));

    awaitIdle([&] { store.deleteVault(album.id); });

    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.noticeMessage(),
              "O cofre “Álbum 2024” foi apagado. O arquivo “Álbum 2024.sparsebundle” está no Lixo do Mac.");
    EXPECT_FALSE(mountedVolumes().contains(mountPoint)) << "locked before it was trashed";
    const QString trashed =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/Álbum 2024.sparsebundle";
    EXPECT_TRUE(QFileInfo(trashed).isDir());
    EXPECT_FALSE(QFileInfo::exists(album.imageURL.toLocalFile()));
    EXPECT_EQ(VaultRegistry(paths).load(), QList<Vault>{kept});
    EXPECT_EQ(store.vaults(), QList<Vault>{kept});
    EXPECT_EQ(store.selectedVaultID(), kept.id);
    EXPECT_EQ(store.deletingVaultID(), std::nullopt);
}

TEST_F(StoreOperationsOnRealMountsTest, quittingLocksEveryVaultOfTheStorageFolderAndNamesABusyOne)
{
    const Vault unlocked = createVault("Aberto");
    const Vault byHand = createVault("Manual");
    const Vault busy = createVault("Ocupado");
    // "Manual" is locked by the program, then attached again by hand with the disk-image tool.
    store.selectVault(byHand.id);
    QCoro::waitFor(store.lockSelectedAndWait());
    const StandInTools::Run attached = StandInTools::run(
        "kovara-hdiutil", {"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", byHand.imageURL.toLocalFile()},
        password.toUtf8() + '\0');
    ASSERT_EQ(attached.exitStatus, 0) << attached.standardError.toStdString();
    ASSERT_EQ(mountedVolumes().size(), 3);

    // A file held open inside "Ocupado" keeps its volume busy.
    QFile held(mountPointOf(busy.id) + "/aberto.txt");
    ASSERT_TRUE(held.open(QIODevice::WriteOnly));
    held.write("em uso");
    held.flush();

    EXPECT_FALSE(waitForTask(store.prepareForTermination()));
    ASSERT_TRUE(store.errorMessage().has_value());
    EXPECT_TRUE(store.errorMessage()->startsWith("Não foi possível bloquear todos os cofres (falhas: Ocupado: O cofre "
                                                 "ainda está em uso por "))
        << store.errorMessage()->toStdString();
    EXPECT_FALSE(store.errorMessage()->contains("ainda montados"));
    EXPECT_EQ(store.forceLockVaultID(), busy.id);
    EXPECT_TRUE(store.forceLockContinuesTermination()) << "the forced lock is offered as part of quitting";
    EXPECT_EQ(mountedVolumes(), QStringList{mountPointOf(busy.id)}) << "the others were locked, the manual one too";
    EXPECT_EQ(store.state(unlocked.id), VaultRowState::locked);
    EXPECT_EQ(store.state(byHand.id), VaultRowState::locked);
    EXPECT_EQ(store.state(busy.id), VaultRowState::unlocked);

    // The user forces the lock, and quitting runs again.
    awaitIdle([&] { store.lock(busy.id, true); });
    EXPECT_EQ(store.noticeMessage(), "Cofre bloqueado.");
    EXPECT_TRUE(waitForTask(store.prepareForTermination()));
    EXPECT_EQ(store.noticeMessage(), "Todos os cofres foram bloqueados.");
    EXPECT_TRUE(mountedVolumes().isEmpty());
    EXPECT_TRUE(store.content().isEmpty());
    held.close();
}

} // namespace
