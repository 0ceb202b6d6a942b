// The store end to end through its real services, exactly as the app runs them: the process
// runner, the disk-image service driving the stand-ins beside this program, and the content
// service, on real gocryptfs volumes mounted through FUSE in the test's private runtime folder.
// Only the file manager is a recording double.
#include "store/VaultStore.h"

#include "app/AutomaticLockMonitor.h"
#include "app/AutomaticLockSettings.h"
#include "support/FakeFinderWorkspace.h"
#include "support/PrivateSessionBus.h"
#include "support/QtValuePrinters.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "support/WaitForTask.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using namespace TestFiles;

constexpr int generousWait = 180000;

class VaultsOnRealMounts : public testing::Test
{
protected:
    // Bytes that reach the mount table in another spelling: a comma (gocryptfs writes "_"), a
    // backslash (fusermount3 drops it), a space (the kernel escapes it); and quotes and accents.
    static QString oddFolder() { return "Dados \"pessoais\", São\\Paulo d'Ávila"; }
    QString applicationPath() const { return root.path() + "/" + oddFolder() + "/Kovara"; }
    QString storagePath() const { return applicationPath() + "/Vaults.noindex"; }
    static QString mountBase() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"; }
    static QStringList mountedVolumes() { return RealMounts::mountPointsUnder(mountBase()); }
    QString mountPointOf(const Vault& vault) const
    {
        return QDir::cleanPath(store.sessions().value(vault.id).mountPoint.toLocalFile());
    }

    // Runs an operation that starts its work and returns at once to its end.
    void awaitIdle(const std::function<void()>& start)
    {
        QSignalSpy busyChanges(&store, &VaultStore::isBusyChanged);
        start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return busyChanges.size() == 2; }, generousWait));
    }

    Vault createVault(const QString& name, std::optional<QUrl> initialFolder = std::nullopt)
    {
        EXPECT_TRUE(store.enqueueCreateVault(name, password, 1, initialFolder));
        EXPECT_TRUE(QTest::qWaitFor([this] { return store.canEnqueueOperation(); }, generousWait));
        EXPECT_EQ(store.errorMessage(), std::nullopt);
        EXPECT_EQ(VaultRegistry(paths).load().vaults, store.vaults())
            << "the catalogue on disk is what the store shows";
        return store.vaults().last();
    }

    RealMounts::Run attachByHand(const QString& image, const QString& imagePassword)
    {
        return RealMounts::runStandIn("kovara-hdiutil",
                                      {"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", image},
                                      imagePassword.toUtf8() + '\0');
    }

    std::optional<VaultContentItem> listed(const QString& name) const
    {
        for (const VaultContentItem& item : store.content()) {
            if (item.name == name) {
                return item;
            }
        }
        return std::nullopt;
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

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(applicationPath());
    GocryptfsMountGuard unmountLeftovers{{mountBase(), root.path()}};
    FakeFinderWorkspace finderWorkspace;
    VaultStore store{paths, finderWorkspace};
    // gocryptfs reads one line: only an unambiguous encoding gets all of this to it.
    const QString password = "primeira linha\nsegunda é secreta";
};

TEST_F(VaultsOnRealMounts, aVaultKeepsItsFilesEncryptedThroughLockUnlockImportTrashAndDelete)
{
    QCoro::waitFor(store.refresh());
    const Vault vault = createVault("Diário Pessoal");
    EXPECT_EQ(store.noticeMessage(), "Cofre criado e desbloqueado.");
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    const QString volume = mountPointOf(vault);
    EXPECT_EQ(volume, mountBase() + "/Diário Pessoal");
    EXPECT_EQ(mountedVolumes(), QStringList{volume});
    EXPECT_EQ(permissionsOf(mountBase()), 0700) << "the mount folder is this user's alone";
    struct stat mounted = {};
    ASSERT_EQ(::stat(QFile::encodeName(volume).constData(), &mounted), 0);
    EXPECT_EQ(store.sessions().value(vault.id).deviceEntry,
              QString("fuse:%1:%2").arg(major(mounted.st_dev)).arg(minor(mounted.st_dev)));
    EXPECT_TRUE(QFileInfo(volume + "/.metadata_never_index").isFile()) << "the new volume is protected";
    EXPECT_TRUE(QFileInfo(storagePath() + "/.metadata_never_index").isFile());
    EXPECT_EQ(permissionsOf(vault.imageURL.toLocalFile()), 0700);
    EXPECT_EQ(readAll(storagePath() + "/.hidden"), vault.imageURL.fileName().toUtf8() + '\n');
    EXPECT_EQ(readAll(applicationPath() + "/.hidden"), "Vaults.noindex\n");

    const QByteArray marker = "conteúdo-confidencial-0123456789";
    writeFile(volume + "/Declaração de bens.txt", marker.repeated(2048));
    // What an import killed mid-copy leaves: a hidden copy nobody will finish.
    writeFile(volume + "/.kovara-staging/0b7e0c1a-interrompido/payload", marker);
    QCoro::waitFor(store.lockSelectedAndWait());
    EXPECT_EQ(store.noticeMessage(), "Cofre bloqueado.");
    EXPECT_EQ(store.status(), VaultStatus::locked);

    // The bundle holds the file, but neither its name nor its bytes.
    int files = 0;
    for (QDirIterator it(vault.imageURL.toLocalFile(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        EXPECT_FALSE(path.contains("Declara") || path.contains("bens")) << path.toStdString();
        files += it.fileInfo().isFile() ? 1 : 0;
        EXPECT_FALSE(readAll(path).contains(marker)) << path.toStdString();
    }
    EXPECT_GE(files, 3);

    // Only the whole password opens it: not the line before its break, nor a near miss.
    for (const QString& wrong :
         {QString("primeira linha"), QString("primeira linha\nsegunda é secret"), QString("outra senha qualquer")}) {
        QCoro::waitFor(store.unlockSelected(wrong));
        EXPECT_EQ(store.errorMessage(), std::nullopt) << "no banner for a wrong password";
        EXPECT_EQ(store.unlockFailureMessage(vault.id),
                  "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
        EXPECT_TRUE(mountedVolumes().isEmpty());
        EXPECT_TRUE(entriesOf(mountBase()).isEmpty()) << entriesOf(mountBase()).join(", ").toStdString();
    }
    // A configuration that is no regular file is refused at once and said as such, not as a
    // wrong password; nothing of the attempt is left running.
    const QString configuration = vault.imageURL.toLocalFile() + "/cipher/gocryptfs.conf";
    const QString intact = configuration + ".intacta";
    ASSERT_TRUE(QFile::rename(configuration, intact));
    ASSERT_EQ(::mkfifo(QFile::encodeName(configuration).constData(), 0600), 0);
    QCoro::waitFor(store.unlockSelected(password));
    EXPECT_EQ(store.errorMessage(), "A configuração de criptografia deste cofre (gocryptfs.conf) está danificada ou "
                                    "ilegível, e o cofre não pôde ser desbloqueado.");
    EXPECT_EQ(store.unlockFailureMessage(vault.id), std::nullopt);
    EXPECT_TRUE(mountedVolumes().isEmpty());
    ASSERT_TRUE(QFile::remove(configuration) && QFile::rename(intact, configuration));
    QCoro::waitFor(store.unlockSelected(password));
    EXPECT_EQ(listedNames(), QStringList{"Declaração de bens.txt"}) << "listed only once the volume is ready";
    // What a volume that unmounted itself leaves behind; a folder with something in it stays.
    QDir().mkpath(mountBase() + "/Sobra vazia");
    writeFile(mountBase() + "/Sobra cheia/nota.txt", "x");
    QCoro::waitFor(store.lockSelectedAndWait());
    EXPECT_TRUE(mountedVolumes().isEmpty()) << "the lock returns only once the volume is gone";
    QCoro::waitFor(store.unlockSelected(password));
    EXPECT_EQ(entriesOf(mountBase()), (QStringList{QFileInfo(volume).fileName(), "Sobra cheia"}))
        << "the next unlock sweeps the empty mount folders and takes its own again";
    QCoro::waitFor(store.lockSelectedAndWait());
    QDir(mountBase() + "/Sobra cheia").removeRecursively();

    // The mount table names the mount "Dados "pessoais"_ SãoPaulo…", which also names a copy of
    // the image there: the vault is still recognised by its own volume, so unlocking it again does
    // not stack a second mount. The interrupted import's copy is gone once it is unlocked.
    const QString imagePath = vault.imageURL.toLocalFile();
    const QString lookalike = QString(imagePath).replace(oddFolder(), "Dados \"pessoais\"_ SãoPaulo d'Ávila");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(lookalike).path()));
    ASSERT_EQ(QProcess::execute("/bin/cp", {"-a", "--", imagePath, lookalike}), 0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        QCoro::waitFor(store.unlockSelected(password));
        EXPECT_EQ(store.errorMessage(), std::nullopt);
        EXPECT_EQ(mountedVolumes(), QStringList{volume});
    }
    EXPECT_EQ(store.noticeMessage(), "O cofre já estava desbloqueado.");
    EXPECT_TRUE(entriesOf(volume + "/.kovara-staging").isEmpty());
    QCoro::waitFor(store.lockSelectedAndWait());
    EXPECT_TRUE(mountedVolumes().isEmpty());

    // Files and a folder copied into the locked vault with its password, next to what is there.
    const QString sources = root.path() + "/origem";
    const QByteArray report = patternedBytes(3 * 1024 * 1024 + 5);
    writeFile(sources + "/Declaração de bens.txt", report);
    createSampleTree(sources + "/Fotos", 4 * 1024 * 1024 + 3);
    const QStringList sourcesBefore = snapshot(sources);
    std::optional<VaultImportBatchResult> result;
    const QList<QUrl> urls{QUrl::fromLocalFile(sources + "/Declaração de bens.txt"),
                           QUrl::fromLocalFile(sources + "/Fotos")};
    ASSERT_TRUE(
        store.enqueueImportItems(urls, vault.id, password, [&](const VaultImportBatchResult& done) { result = done; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result && store.canEnqueueOperation(); }, generousWait));
    EXPECT_EQ(result->completedSourceURLs, urls);
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.noticeMessage(), "2 itens adicionados; 1 recebeu outro nome para não substituir conteúdo "
                                     "existente. As origens foram preservadas.");
    EXPECT_EQ(store.status(), VaultStatus::unlocked) << "the import unlocked the vault and leaves it so";
    EXPECT_EQ(listedNames(), (QStringList{"Declaração de bens 2.txt", "Declaração de bens.txt", "Fotos"}));
    EXPECT_EQ(readAll(volume + "/Declaração de bens.txt"), marker.repeated(2048)) << "nothing was replaced";
    EXPECT_EQ(readAll(volume + "/Declaração de bens 2.txt"), report);
    EXPECT_EQ(snapshot(volume + "/Fotos"), snapshot(sources + "/Fotos"));
    EXPECT_TRUE(entriesOf(volume + "/.kovara-staging").isEmpty()) << "no staged remnant";
    EXPECT_EQ(snapshot(sources), sourcesBefore) << "the sources are never changed";

    // A listed item is revealed as itself, then trashed into the volume's own Trash.
    const std::optional<VaultContentItem> copy = listed("Declaração de bens 2.txt");
    ASSERT_TRUE(copy);
    awaitIdle([&] { store.revealItem(*copy, vault.id); });
    EXPECT_EQ(finderWorkspace.revealed, QList<QUrl>{QUrl::fromLocalFile(volume + "/Declaração de bens 2.txt")});
    waitForTask(store.trashItem(*copy));
    EXPECT_EQ(store.noticeMessage(), "“Declaração de bens 2.txt” foi movido para a Lixeira.");
    EXPECT_EQ(listedNames(), (QStringList{"Declaração de bens.txt", "Fotos"})) << "the volume's Trash is never listed";
    const QString volumeTrash = volume + "/.Trash-" + QString::number(::getuid());
    EXPECT_EQ(readAll(volumeTrash + "/files/Declaração de bens 2.txt"), report);

    // Deleted: locked first, then the encrypted bundle goes to the Trash under a readable name.
    awaitIdle([&] { store.deleteVault(vault.id); });
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(store.noticeMessage(),
              "O cofre “Diário Pessoal” foi apagado. O arquivo “Diário Pessoal.sparsebundle” está na Lixeira.");
    EXPECT_TRUE(mountedVolumes().isEmpty());
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
    EXPECT_TRUE(QFileInfo(trash + "/files/Diário Pessoal.sparsebundle/cipher").isDir());
    EXPECT_FALSE(QFileInfo::exists(vault.imageURL.toLocalFile()));
    const QStringList trashInfo =
        QString::fromUtf8(readAll(trash + "/info/Diário Pessoal.sparsebundle.trashinfo")).split('\n').filter("Path=");
    EXPECT_EQ(QUrl::fromPercentEncoding(trashInfo.value(0).mid(5).toUtf8()),
              storagePath() + "/Diário Pessoal.sparsebundle")
        << "the Trash can put it back where it was";
    EXPECT_TRUE(VaultRegistry(paths).load().vaults.isEmpty());
    EXPECT_TRUE(store.vaults().isEmpty());
}

TEST_F(VaultsOnRealMounts, handMountedAndBusyVaultsAreFoundLockedWhenForcedAndAllLockedToQuit)
{
    const QString folder = root.path() + "/Projeto";
    createSampleTree(folder, 2 * 1024 * 1024 + 9);
    const QStringList folderBefore = snapshot(folder);
    const Vault project = createVault("Projetos", QUrl::fromLocalFile(folder));
    EXPECT_EQ(store.noticeMessage(), "Item adicionado ao cofre. A origem foi preservada.")
        << "the import's notice replaces the creation's";
    EXPECT_EQ(listedNames(), QStringList{"Projeto"});
    EXPECT_EQ(snapshot(mountPointOf(project) + "/Projeto"), folderBefore);
    EXPECT_EQ(snapshot(folder), folderBefore) << "the folder itself stays as it was";

    // "Manual" is locked by the program, then attached again from a terminal.
    const Vault byHand = createVault("Manual");
    QCoro::waitFor(store.lockSelectedAndWait());
    // Meanwhile another volume is mounted under the name of Manual's image folder (whoever mounts
    // chooses it): it is not Manual, which stays locked, whose lock the forger's password does
    // not open, and nothing Kovara does ever reaches that volume.
    const QString forged = root.path() + "/forjado";
    ASSERT_TRUE(QDir().mkpath(forged + "/cipher") && QDir().mkpath(forged + "/montado"));
    ASSERT_EQ(RealMounts::runGocryptfs({"-init", "-q", "-scryptn", "10", forged + "/cipher"}, "outra"), 0);
    const QString nameOfManual = "-fsname=" + byHand.imageURL.toLocalFile();
    ASSERT_EQ(
        RealMounts::runGocryptfs({"-q", "-nosyslog", nameOfManual, forged + "/cipher", forged + "/montado"}, "outra"),
        0);
    QCoro::waitFor(store.refresh());
    EXPECT_EQ(store.state(byHand.id), VaultRowState::locked);
    QCoro::waitFor(store.unlock(byHand.id, "outra"));
    EXPECT_EQ(store.unlockFailureMessage(byHand.id),
              "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
    EXPECT_EQ(store.state(byHand.id), VaultRowState::locked);
    const RealMounts::Run attached = attachByHand(byHand.imageURL.toLocalFile(), password);
    ASSERT_EQ(attached.exitStatus, 0) << attached.standardError.toStdString();
    QCoro::waitFor(store.refresh());
    EXPECT_EQ(store.status(), VaultStatus::unlocked);
    QCoro::waitFor(store.unlock(byHand.id, password));
    EXPECT_EQ(store.noticeMessage(), "O cofre já estava desbloqueado.");
    EXPECT_EQ(mountedVolumes().size(), 2) << "nothing was attached twice";

    // Two programs work inside "Ocupado": one holds a file open, the other has a folder there as
    // its working folder.
    const Vault busy = createVault("Ocupado");
    const QString busyVolume = mountPointOf(busy);
    writeFile(busyVolume + "/em andamento/registro.txt", "linha\n");
    QProcess withOpenFile;
    withOpenFile.start("/usr/bin/tail", {"-f", busyVolume + "/em andamento/registro.txt"});
    ASSERT_TRUE(withOpenFile.waitForReadyRead(-1)) << "tail never opened the file";
    QProcess inFolder;
    inFolder.setWorkingDirectory(busyVolume + "/em andamento");
    inFolder.start("/usr/bin/sleep", {"600"});
    ASSERT_TRUE(inFolder.waitForStarted(-1));
    QCoro::waitFor(store.lockSelectedAndWait());
    const QString busyText = "O cofre ainda está em uso por %1. Feche os arquivos abertos nele e tente novamente, ou "
                             "use “Forçar bloqueio”.";
    EXPECT_TRUE(store.errorMessage() == busyText.arg("tail, sleep") ||
                store.errorMessage() == busyText.arg("sleep, tail"))
        << store.errorMessage().value_or("").toStdString();
    EXPECT_EQ(store.forceLockVaultID(), busy.id);
    EXPECT_EQ(store.status(), VaultStatus::unlocked);

    // An image outside the storage folder, attached too: quitting leaves it alone.
    const QString foreign = root.path() + "/outra imagem.sparsebundle";
    ASSERT_EQ(RealMounts::runStandIn("kovara-hdiutil",
                                     {"create", "-size", "1g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname",
                                      "Ocupado", "-encryption", "AES-256", "-stdinpass", "-nospotlight", foreign},
                                     "senha alheia" + QByteArray(1, '\0'))
                  .exitStatus,
              0);
    ASSERT_EQ(attachByHand(foreign, "senha alheia").exitStatus, 0);
    ASSERT_EQ(mountedVolumes().size(), 4);
    const QString foreignVolume = mountBase() + "/Ocupado 1";

    EXPECT_FALSE(waitForTask(store.prepareForTermination()));
    EXPECT_TRUE(store.errorMessage().value_or("").startsWith(
        "Não foi possível bloquear todos os cofres (falhas: Ocupado: O cofre ainda está em uso por "))
        << store.errorMessage().value_or("").toStdString();
    EXPECT_FALSE(store.errorMessage().value_or("").contains("ainda montados"));
    EXPECT_EQ(store.forceLockVaultID(), busy.id);
    EXPECT_TRUE(store.forceLockContinuesTermination()) << "the forced lock is offered as part of quitting";
    EXPECT_EQ(mountedVolumes(), (QStringList{busyVolume, foreignVolume}))
        << "the others were locked, the manual one too";
    EXPECT_EQ(store.state(project.id), VaultRowState::locked);
    EXPECT_EQ(store.state(byHand.id), VaultRowState::locked);

    // The user forces the lock, and quitting runs again.
    awaitIdle([&] { store.lock(busy.id, true); });
    EXPECT_EQ(store.noticeMessage(), "Cofre bloqueado.");
    EXPECT_TRUE(waitForTask(store.prepareForTermination()));
    EXPECT_EQ(store.noticeMessage(), "Todos os cofres foram bloqueados.");
    EXPECT_EQ(mountedVolumes(), QStringList{foreignVolume});
    EXPECT_EQ(RealMounts::mountPointsUnder(forged), QStringList{forged + "/montado"});
    for (QProcess* holder : {&withOpenFile, &inFolder}) {
        holder->kill();
        holder->waitForFinished(-1);
    }
}

TEST_F(VaultsOnRealMounts, vaultsLockThemselvesWhenTheScreenLocksUnlessInUseAndAfterSittingIdle)
{
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection kovaraBus = QDBusConnection::connectToBus(bus.address(), "kovara");
    QDBusConnection screenSaver = QDBusConnection::connectToBus(bus.address(), "screensaver");
    ASSERT_TRUE(screenSaver.registerService("org.freedesktop.ScreenSaver"));
    AutomaticLockSettings settings;
    // No logind on this bus: its triggers are simply missing.
    const AutomaticLockMonitor monitor(store, settings, kovaraBus, kovaraBus);
    const auto lockScreen = [&screenSaver] {
        QDBusMessage activated =
            QDBusMessage::createSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged");
        activated << true;
        return screenSaver.send(activated);
    };

    QCoro::waitFor(store.refresh());
    const Vault vault = createVault("Agenda");
    writeFile(mountPointOf(vault) + "/aberto.txt", "em uso");
    QProcess holder;
    holder.setStandardInputFile(mountPointOf(vault) + "/aberto.txt");
    holder.start("/usr/bin/sleep", {"600"});
    ASSERT_TRUE(holder.waitForStarted(-1));
    ASSERT_TRUE(lockScreen());
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return store.forceLockVaultID().has_value() && !store.isBusy(); }, generousWait));
    EXPECT_EQ(store.forceLockVaultID(), vault.id) << "a vault in use is offered the forced lock, never forced";
    EXPECT_TRUE(store.errorMessage().value_or("").startsWith("O cofre ainda está em uso por "));
    EXPECT_EQ(mountedVolumes().size(), 1);

    holder.kill();
    holder.waitForFinished(-1);
    ASSERT_TRUE(lockScreen());
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return store.status() == VaultStatus::locked && !store.isBusy(); }, generousWait));
    EXPECT_EQ(store.noticeMessage(), QString::fromUtf8("Cofre “Agenda” bloqueado ao bloquear a tela."));
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_TRUE(mountedVolumes().isEmpty());

    // gocryptfs unmounts a volume left alone; the change of mounts brings the store to look again.
    store.setIdleLockTimeout(std::chrono::seconds(1));
    QCoro::waitFor(store.unlock(vault.id, password));
    ASSERT_EQ(store.status(), VaultStatus::unlocked);
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return store.status() == VaultStatus::locked && !store.isBusy(); }, generousWait));
    EXPECT_EQ(store.noticeMessage(), QString::fromUtf8("Cofre “Agenda” bloqueado por inatividade."));
    EXPECT_TRUE(mountedVolumes().isEmpty());
}

} // namespace
