#include "disktools/Gocryptfs.h"
#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "support/GocryptfsMountGuard.h"
#include "support/QtValuePrinters.h"
#include "support/StandInTools.h"
#include "support/TestFiles.h"
#include "support/VaultErrorPrinting.h"
#include "support/WaitForTask.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

// The disk-image service exactly as the app runs it (the fixed tool table: the stand-ins beside
// this program), on real gocryptfs volumes mounted through FUSE. A machine without /dev/fuse or
// gocryptfs fails these tests: vaults cannot work there.

namespace {

using TestFiles::entriesOf;
using TestFiles::permissionsOf;
using TestFiles::readAll;
using TestFiles::writeFile;

template <typename T>
VaultError vaultErrorFrom(QCoro::Task<T> task)
{
    try {
        waitForTask(std::move(task));
    } catch (const VaultError& error) {
        return error;
    }
    ADD_FAILURE() << "expected a VaultError";
    return VaultError(VaultError::Kind::noSelection);
}

QStringList hiddenNamesIn(const QString& folder)
{
    return QString::fromUtf8(readAll(folder + "/.hidden")).split('\n', Qt::SkipEmptyParts);
}

// The device entry the stand-in reports for the volume mounted at `mountPoint`.
QString deviceEntryOf(const QString& mountPoint)
{
    struct stat status {};
    if (::stat(QFile::encodeName(mountPoint).constData(), &status) != 0) {
        return {};
    }
    return QString("fuse:%1:%2").arg(major(status.st_dev)).arg(minor(status.st_dev));
}

QByteArray nulTerminated(const QString& password)
{
    return password.toUtf8() + '\0';
}

} // namespace

inline void PrintTo(const VaultSession& session, std::ostream* out)
{
    *out << "VaultSession(" << session.vaultID.toString(QUuid::WithoutBraces).toStdString() << ", "
         << session.mountPoint.toString().toStdString() << ", " << session.deviceEntry.toStdString() << ")";
}

class DiskImageServiceOnRealMounts : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists("/dev/fuse")) << "/dev/fuse is missing: vaults cannot be mounted here";
        ASSERT_TRUE(QFileInfo(Gocryptfs::executable).isExecutable()) << "gocryptfs is not installed";
        ASSERT_TRUE(sandbox.isValid());
    }

    // A space, an accent and a comma (which gocryptfs rewrites in the mount table) in the path.
    QString applicationPath() const { return sandbox.path() + "/Dados pessoais, São Paulo/Kovara"; }
    QString storagePath() const { return FileLocation::path(paths.storageDirectory); }
    static QString mountBase() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"; }
    static QStringList mounts() { return GocryptfsMountGuard::mountPointsUnder(mountBase()); }

    Vault vaultNamed(const QString& name) const
    {
        const QUuid id = QUuid::createUuid();
        return Vault{id, name,
                     QUrl::fromLocalFile(storagePath() + '/' + id.toString(QUuid::WithoutBraces).toLower() + ".sparsebundle"),
                     QDateTime::currentDateTimeUtc()};
    }

    void create(const Vault& vault, const QString& password)
    {
        const MountProtectionReport report = waitForTask(service.createSparseBundle(vault, 1, password, {}));
        EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join('\n').toStdString();
    }

    VaultSession attach(const Vault& vault, const QString& password)
    {
        const auto [session, report] = waitForTask(service.attach(vault, password, {}));
        EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join('\n').toStdString();
        return session;
    }

    QTemporaryDir sandbox;
    KovaraPaths paths = KovaraPaths::under(applicationPath());
    SystemProcessRunner runner{SystemToolTable::fixed()};
    DiskImageService service{paths, runner};
    // Destroyed first: nothing stays mounted, whatever a test did or where it failed.
    GocryptfsMountGuard guard{{mountBase(), sandbox.path()}};
};

TEST_F(DiskImageServiceOnRealMounts, VaultKeepsItsFilesEncryptedAndOpensOnlyWithTheWholePassword)
{
    const QString password = "primeira linha\nsegunda é secreta";
    const Vault vault = vaultNamed("Documentos Pessoais");
    const QString image = vault.imageURL.toLocalFile();
    create(vault, password);

    EXPECT_EQ(permissionsOf(image), 0700);
    EXPECT_EQ(hiddenNamesIn(storagePath()), QStringList{QFileInfo(image).fileName()});
    EXPECT_EQ(hiddenNamesIn(applicationPath()), QStringList{"Vaults.noindex"});
    EXPECT_TRUE(QFileInfo(storagePath() + "/.metadata_never_index").isFile());
    EXPECT_TRUE(mounts().isEmpty()) << "creating must not attach";

    const VaultSession session = attach(vault, password);
    const QString mountPoint = FileLocation::path(session.mountPoint);
    EXPECT_EQ(session.vaultID, vault.id);
    EXPECT_EQ(mountPoint, mountBase() + "/Documentos Pessoais");
    EXPECT_EQ(mounts(), QStringList{mountPoint});
    EXPECT_EQ(session.deviceEntry, deviceEntryOf(mountPoint));
    EXPECT_TRUE(QFileInfo(mountPoint + "/.metadata_never_index").isFile());

    const QByteArray marker = "conteúdo-confidencial-0123456789";
    const QByteArray contents = marker.repeated(2048);
    ASSERT_TRUE(writeFile(mountPoint + "/Declaração de bens.txt", contents));

    const QHash<QUuid, VaultSession> sessions = waitForTask(service.mountedSessions({vault}));
    EXPECT_EQ(sessions.size(), 1);
    EXPECT_EQ(sessions.value(vault.id), session);

    waitForTask(service.detach(session));
    EXPECT_TRUE(mounts().isEmpty());
    EXPECT_TRUE(waitForTask(service.mountedSessions({vault})).isEmpty());

    // The bundle holds the file, but neither its name nor its bytes.
    qint64 largestFile = 0;
    for (QDirIterator it(image, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        EXPECT_FALSE(path.contains("Declara") || path.contains("bens")) << path.toStdString();
        if (it.fileInfo().isFile()) {
            largestFile = std::max(largestFile, it.fileInfo().size());
            EXPECT_FALSE(readAll(path).contains(marker)) << path.toStdString();
        }
    }
    EXPECT_GE(largestFile, contents.size());

    // gocryptfs reads one line: the part before the line break must not open the vault, nor may
    // any other prefix or a different password.
    for (const QString& wrong : {QString("primeira linha"), QString("primeira linha\nsegunda é secret"),
                                 QString("primeira linha\nsegunda e secreta"), QString("outra senha qualquer")}) {
        EXPECT_EQ(vaultErrorFrom(service.attach(vault, wrong, {})).kind(), VaultError::Kind::unlockFailed)
            << wrong.toStdString();
        EXPECT_TRUE(mounts().isEmpty());
        EXPECT_TRUE(entriesOf(mountBase()).isEmpty()) << entriesOf(mountBase()).join(", ").toStdString();
    }

    const VaultSession reopened = attach(vault, password);
    EXPECT_EQ(readAll(FileLocation::path(reopened.mountPoint) + "/Declaração de bens.txt"), contents);
    waitForTask(service.detach(reopened));
    EXPECT_TRUE(mounts().isEmpty());
}

TEST_F(DiskImageServiceOnRealMounts, VaultMountedBehindTheServicesBackIsFoundAndItsBusyVolumeNamesTheHolder)
{
    const QString password = "contratos de 2024";
    const Vault vault = vaultNamed("Contratos");
    const Vault neverAttached = vaultNamed("Arquivo Morto");
    create(vault, password);
    create(neverAttached, "arquivo morto antigo");

    // An image outside the storage folder, attached too: it belongs to no vault.
    const QString foreignImage = sandbox.path() + "/outra imagem.sparsebundle";
    ASSERT_EQ(StandInTools::run("kovara-hdiutil",
                                {"create", "-size", "1g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname", "Contratos",
                                 "-encryption", "AES-256", "-stdinpass", "-nospotlight", foreignImage},
                                nulTerminated("senha alheia"))
                  .exitStatus,
              0);

    for (const auto& [imagePath, imagePassword] :
         {std::pair{vault.imageURL.toLocalFile(), password}, std::pair{foreignImage, QString("senha alheia")}}) {
        const StandInTools::Run attached =
            StandInTools::run("kovara-hdiutil", {"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", imagePath},
                              nulTerminated(imagePassword));
        ASSERT_EQ(attached.exitStatus, 0) << attached.standardError.toStdString();
    }
    ASSERT_EQ(mounts().size(), 2);

    const QHash<QUuid, VaultSession> sessions = waitForTask(service.mountedSessions({vault, neverAttached}));
    ASSERT_EQ(sessions.size(), 1);
    const VaultSession session = sessions.value(vault.id);
    const QString mountPoint = FileLocation::path(session.mountPoint);
    EXPECT_EQ(mountPoint, mountBase() + "/Contratos");
    EXPECT_EQ(session.deviceEntry, deviceEntryOf(mountPoint));

    const QList<MountedDiskImage> inStorage = waitForTask(service.mountedImagesInStorage());
    ASSERT_EQ(inStorage.size(), 1);
    EXPECT_EQ(FileLocation::normalizedPath(inStorage.front().imageURL), FileLocation::normalizedPath(vault.imageURL));
    EXPECT_EQ(inStorage.front().mountPoint, session.mountPoint);
    EXPECT_EQ(inStorage.front().deviceEntry, session.deviceEntry);

    // Two other programs work inside the volume: one has a folder there as its working folder,
    // the other holds a file open.
    ASSERT_TRUE(QDir(mountPoint).mkdir("em andamento"));
    ASSERT_TRUE(writeFile(mountPoint + "/em andamento/registro.txt", "linha\n"));
    QProcess inFolder;
    inFolder.setWorkingDirectory(mountPoint + "/em andamento");
    inFolder.start("/usr/bin/sleep", {"600"});
    QProcess withOpenFile;
    withOpenFile.start("/usr/bin/tail", {"-f", mountPoint + "/em andamento/registro.txt"});
    ASSERT_TRUE(inFolder.waitForStarted(-1));
    ASSERT_TRUE(withOpenFile.waitForStarted(-1));
    ASSERT_TRUE(withOpenFile.waitForReadyRead(-1)) << "tail never opened the file";

    const VaultError busy = vaultErrorFrom(service.detach(session));
    EXPECT_EQ(busy.kind(), VaultError::Kind::volumeBusy) << busy.errorDescription().toStdString();
    QStringList holders = busy.holders();
    holders.sort();
    EXPECT_EQ(holders, (QStringList{"sleep", "tail"}));
    EXPECT_EQ(waitForTask(service.mountedSessions({vault})).value(vault.id), session);

    waitForTask(service.forceDetach(session));
    EXPECT_TRUE(waitForTask(service.mountedSessions({vault})).isEmpty());
    EXPECT_TRUE(waitForTask(service.mountedImagesInStorage()).isEmpty());
    EXPECT_FALSE(mounts().contains(mountPoint));

    for (QProcess* holder : {&inFolder, &withOpenFile}) {
        holder->kill();
        holder->waitForFinished(-1);
    }
}

TEST_F(DiskImageServiceOnRealMounts, MountedVaultAnswersAttachOneNameMountsApartAndALockedVaultGoesToTheTrash)
{
    const Vault first = vaultNamed("Projetos — Família");
    const Vault second = vaultNamed("Projetos — Família");
    create(first, "senha do primeiro");
    create(second, "senha do segundo");

    const VaultSession firstSession = attach(first, "senha do primeiro");
    const VaultSession secondSession = attach(second, "senha do segundo");
    EXPECT_EQ(FileLocation::path(firstSession.mountPoint), mountBase() + "/Projetos — Família");
    EXPECT_EQ(FileLocation::path(secondSession.mountPoint), mountBase() + "/Projetos — Família 1");
    EXPECT_NE(firstSession.deviceEntry, secondSession.deviceEntry);

    EXPECT_EQ(attach(first, "senha do primeiro"), firstSession);
    EXPECT_EQ(mounts().size(), 2);
    const QHash<QUuid, VaultSession> sessions = waitForTask(service.mountedSessions({first, second}));
    EXPECT_EQ(sessions, (QHash<QUuid, VaultSession>{{first.id, firstSession}, {second.id, secondSession}}));

    waitForTask(service.detach(firstSession));
    waitForTask(service.detach(secondSession));
    ASSERT_TRUE(mounts().isEmpty());

    const QString image = first.imageURL.toLocalFile();
    const QStringList bundleEntries = entriesOf(image);
    const VaultImageRemoval removal = waitForTask(service.trashImage(first));
    EXPECT_EQ(removal, VaultImageRemoval::trashed("Projetos — Família.sparsebundle"));

    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    const QString trashed = trash + "/files/Projetos — Família.sparsebundle";
    EXPECT_TRUE(QFileInfo(trashed).isDir());
    EXPECT_EQ(entriesOf(trashed), bundleEntries);
    // The Trash can restore it to where it was, under its readable name.
    const QStringList trashInfo =
        QString::fromUtf8(readAll(trash + "/info/Projetos — Família.sparsebundle.trashinfo")).split('\n');
    EXPECT_EQ(trashInfo.value(0), "[Trash Info]");
    const QStringList originalPath = trashInfo.filter(QRegularExpression("^Path="));
    ASSERT_EQ(originalPath.size(), 1) << trashInfo.join('\n').toStdString();
    EXPECT_EQ(QUrl::fromPercentEncoding(originalPath.front().mid(5).toUtf8()),
              storagePath() + "/Projetos — Família.sparsebundle");

    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_EQ(hiddenNamesIn(storagePath()), QStringList{QFileInfo(second.imageURL.toLocalFile()).fileName()});
    EXPECT_EQ(waitForTask(service.trashImage(first)), VaultImageRemoval::missing());
    // The other vault with the same name is untouched and still opens.
    EXPECT_TRUE(QFileInfo(second.imageURL.toLocalFile()).isDir());
    waitForTask(service.detach(attach(second, "senha do segundo")));
}
