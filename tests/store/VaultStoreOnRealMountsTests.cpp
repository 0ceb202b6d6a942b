// The store end to end through its real services: the process runner, the disk-image service
// driving the stand-in tools, and the content service, on real gocryptfs volumes mounted through
// FUSE inside the test's private runtime folder.
#include "store/VaultStore.h"

#include "support/FakeFinderWorkspace.h"
#include "support/GocryptfsMountGuard.h"
#include "support/QtValuePrinters.h"
#include "support/StandInTools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <qcoro/qcorotask.h>

namespace {

constexpr int generousWait = 180000;

class StoreOnRealMountsTest : public testing::Test
{
protected:
    QString mountRoot() const { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"; }

    QStringList mountedVolumes() const { return GocryptfsMountGuard::mountPointsUnder(mountRoot()); }

    // The catalogue on disk is what the store shows, always.
    void expectCatalogueMatchesStore() const { EXPECT_EQ(VaultRegistry(paths).load(), store.vaults()); }

    Vault createVault(const QString& name)
    {
        EXPECT_TRUE(store.enqueueCreateVault(name, password, 1));
        EXPECT_TRUE(QTest::qWaitFor([this] { return store.canEnqueueOperation(); }, generousWait));
        EXPECT_EQ(store.errorMessage(), std::nullopt);
        return store.vaults().last();
    }

    QString mountPointOf(const QUuid& vaultID) const
    {
        return QDir::cleanPath(store.sessions().value(vaultID).mountPoint.toLocalFile());
    }

    // Whether the process has `path` open, as its open-file table in /proc says.
    static bool holdsOpen(qint64 pid, const QString& path)
    {
        const QDir descriptors(QString("/proc/%1/fd").arg(pid));
        for (const QString& descriptor : descriptors.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
            if (QFile::symLinkTarget(descriptors.filePath(descriptor)) == path) {
                return true;
            }
        }
        return false;
    }

    void awaitLock(const QUuid& vaultID, bool force)
    {
        QSignalSpy busyChanges(&store, &VaultStore::isBusyChanged);
        store.lock(vaultID, force);
        ASSERT_TRUE(QTest::qWaitFor([&] { return busyChanges.size() == 2; }, generousWait));
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    GocryptfsMountGuard unmountLeftovers{{qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"}};
    FakeFinderWorkspace finderWorkspace;
    VaultStore store{paths, finderWorkspace};
    const QString password = "correta horse 9";
};

TEST_F(StoreOnRealMountsTest, createLockAndUnlockFollowTheRealVolume)
{
    QCoro::waitFor(store.refresh());
    const Vault vault = createVault("Diário");
    expectCatalogueMatchesStore();
    EXPECT_EQ(store.selectedVaultID(), vault.id);
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    EXPECT_EQ(store.noticeMessage(), "Cofre criado e desbloqueado.");
    EXPECT_TRUE(store.content().isEmpty());
    const QString mountPoint = mountPointOf(vault.id);
    EXPECT_EQ(mountedVolumes(), QStringList{mountPoint});
    EXPECT_TRUE(QFile::exists(mountPoint + "/.metadata_never_index")) << "the new volume is protected";

    QFile letter(mountPoint + "/Carta.txt");
    ASSERT_TRUE(letter.open(QIODevice::WriteOnly));
    letter.write("querido diário");
    letter.close();

    QCoro::waitFor(store.lockSelectedAndWait());
    EXPECT_EQ(store.noticeMessage(), "Cofre bloqueado.");
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.status(), VaultStatus::locked);
    EXPECT_TRUE(mountedVolumes().isEmpty());
    expectCatalogueMatchesStore();

    QCoro::waitFor(store.unlockSelected("senha errada"));
    EXPECT_EQ(store.errorMessage(), std::nullopt) << "no banner for a wrong password";
    EXPECT_EQ(store.unlockFailureMessage(vault.id),
              "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
    EXPECT_EQ(store.status(), VaultStatus::locked);
    EXPECT_TRUE(mountedVolumes().isEmpty());

    QCoro::waitFor(store.unlockSelected(password));
    EXPECT_EQ(store.noticeMessage(), "Cofre desbloqueado.");
    EXPECT_EQ(store.unlockFailure(), std::nullopt);
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    ASSERT_EQ(store.content().size(), 1);
    EXPECT_EQ(store.content().first().name, "Carta.txt") << "what was written before the lock is there";
    expectCatalogueMatchesStore();

    QCoro::waitFor(store.lockSelectedAndWait());
    QCoro::waitFor(store.lockSelectedAndWait());
    EXPECT_EQ(store.noticeMessage(), "O cofre já estava bloqueado.");
    expectCatalogueMatchesStore();
}

TEST_F(StoreOnRealMountsTest, aVaultMountedByHandIsFoundAndAHeldFileBlocksTheLockUntilForced)
{
    const Vault vault = createVault("Projetos");
    QCoro::waitFor(store.lockSelectedAndWait());
    ASSERT_EQ(store.status(), VaultStatus::locked);

    // Attached outside the program, as a user could from a terminal.
    const StandInTools::Run attach = StandInTools::run(
        "kovara-hdiutil",
        {"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", vault.imageURL.toLocalFile()},
        password.toUtf8() + '\0');
    ASSERT_EQ(attach.exitStatus, 0) << attach.standardError.toStdString();
    QCoro::waitFor(store.refresh());
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    const QString mountPoint = mountPointOf(vault.id);
    EXPECT_EQ(mountedVolumes(), QStringList{mountPoint});

    QCoro::waitFor(store.unlock(vault.id, password));
    EXPECT_EQ(store.noticeMessage(), "O cofre já estava desbloqueado.");
    EXPECT_EQ(mountedVolumes(), QStringList{mountPoint}) << "nothing was attached twice";
    expectCatalogueMatchesStore();

    QFile notes(mountPoint + "/Notas.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    QProcess holder;
    holder.start("/usr/bin/tail", {"-f", notes.fileName()});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return holdsOpen(holder.processId(), notes.fileName()); }))
        << "tail holds the file open";

    QCoro::waitFor(store.lockSelectedAndWait());
    EXPECT_EQ(store.errorMessage(), "O cofre ainda está em uso por tail. Feche os arquivos abertos nele e tente "
                                    "novamente, ou use “Forçar bloqueio”.");
    EXPECT_EQ(store.forceLockVaultID(), vault.id);
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    EXPECT_EQ(mountedVolumes(), QStringList{mountPoint});

    awaitLock(*store.forceLockVaultID(), true);
    EXPECT_EQ(store.noticeMessage(), "Cofre bloqueado.");
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.forceLockVaultID(), std::nullopt);
    EXPECT_EQ(store.status(), VaultStatus::locked);
    EXPECT_TRUE(mountedVolumes().isEmpty());
    expectCatalogueMatchesStore();

    holder.kill();
    holder.waitForFinished();
}

} // namespace
