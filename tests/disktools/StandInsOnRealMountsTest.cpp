// The stand-ins' own contract, driven as a terminal user or the app would, on real gocryptfs
// volumes: what the app's end-to-end tests cannot reach through the disk-image service.
#include "disktools/AttachedImages.h"
#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/VaultPassword.h"
#include "platform/FileLocation.h"
#include "posix/AttachExitStatus.h"
#include "posix/HiddenFlag.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "system/HdiutilPropertyListParser.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace TestFiles;
using RealMounts::runGocryptfs;
using RealMounts::runStandIn;

// The mount point in an attach's property list, read as the app reads it.
QString attachedMountPoint(const QByteArray& propertyList)
{
    return FileLocation::path(HdiutilPropertyListParser::attachment(propertyList).mountPoint);
}

class StandInsOnRealMounts : public testing::Test
{
protected:
    void SetUp() override
    {
        // A space and a newline (which the kernel escapes in the mount table), a comma (which
        // gocryptfs rewrites there), a backslash (which fusermount3 drops) and a non-ASCII letter.
        QDir().mkpath(storage);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    void TearDown() override { qputenv("XDG_RUNTIME_DIR", previousRuntime); }

    static QStringList createArguments(const QString& image, const QString& volumeName,
                                       const QString& type = "SPARSEBUNDLE")
    {
        return {"create",   "-size",    "1g",          "-type",   type,         "-fs",          "APFS",
                "-volname", volumeName, "-encryption", "AES-256", "-stdinpass", "-nospotlight", image};
    }

    static RealMounts::Run create(const QString& image, const QString& volumeName, const QByteArray& password,
                                  const QString& type = "SPARSEBUNDLE")
    {
        return runStandIn("kovara-hdiutil", createArguments(image, volumeName, type), password + '\0');
    }

    // kovara-hdiutil with `arguments` and the password "senha", stopped by `signal` once `reached`
    // holds: what it wrote on standard error, or nothing when it ended first.
    static std::optional<QByteArray> stoppedOnce(const QStringList& arguments, const std::function<bool()>& reached,
                                                 int signal)
    {
        QProcess tool;
        tool.start(RealMounts::standInPath("kovara-hdiutil"), arguments);
        if (!tool.waitForStarted(-1)) {
            return std::nullopt;
        }
        tool.write(QByteArray("senha\0", 6));
        tool.closeWriteChannel();
        while (!reached() && tool.state() == QProcess::Running) {
            tool.waitForFinished(1);
        }
        if (tool.state() != QProcess::Running) {
            return std::nullopt;
        }
        ::kill(pid_t(tool.processId()), signal);
        tool.waitForFinished(-1);
        return tool.readAllStandardError();
    }

    // The processes whose command line matches `pattern` (an extended regular expression).
    static QList<pid_t> processesMatching(const QString& pattern)
    {
        QProcess pgrep;
        pgrep.start("/usr/bin/pgrep", {"-f", pattern});
        pgrep.waitForFinished(-1);
        QList<pid_t> processes;
        for (const QByteArray& line : pgrep.readAllStandardOutput().split('\n')) {
            if (const auto pid = pid_t(line.toLongLong()); pid > 0) {
                processes.append(pid);
            }
        }
        return processes;
    }

    // gocryptfs run by hand, as a user would, with `passwordLine` on its standard input.
    static RealMounts::Run attach(const QString& image, const QByteArray& password)
    {
        return runStandIn("kovara-hdiutil", {"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", image},
                          password + '\0');
    }

    QStringList mounts() const { return RealMounts::mountPointsUnder(sandbox.path()); }
    QString mountBase() const { return runtime + "/kovara"; }

    QTemporaryDir sandbox;
    QString storage = sandbox.path() + "/Cofres, já\\guardados\ne \"vistos\"";
    QString runtime = sandbox.path() + "/run";
    QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    GocryptfsMountGuard guard{{sandbox.path()}};
};

TEST_F(StandInsOnRealMounts, AVolumeMountedByHandIsListedCheckedAndWhileInUseDetachedOnlyByForce)
{
    const QByteArray password = "mão\nfeita";
    const QString image = storage + "/manual.sparsebundle";
    ASSERT_EQ(create(image, "Manual", password).exitStatus, 0);
    EXPECT_EQ(permissionsOf(image), 0700);
    const QString handMount = sandbox.path() + "/montado à mão";
    ASSERT_TRUE(QDir().mkpath(handMount));

    // What a user would type: gocryptfs on the cipher folder, the password's hex form as its line.
    ASSERT_EQ(runGocryptfs({"-q", "-nosyslog", QDir(image).filePath(ImageBundle::cipherFolderName), handMount},
                           password.toHex()),
              0);

    // The listing finds the image by its exact path, comma and all; attaching it again answers
    // with that mount and mounts nothing more.
    const RealMounts::Run listing = runStandIn("kovara-hdiutil", {"info", "-plist"});
    EXPECT_TRUE(listing.standardOutput.contains("<string>" + image.toUtf8() + "</string>"));
    EXPECT_TRUE(listing.standardOutput.contains("<string>" + handMount.toUtf8() + "</string>"));
    const RealMounts::Run again = attach(image, password);
    ASSERT_EQ(again.exitStatus, 0) << again.standardError.toStdString();
    EXPECT_EQ(attachedMountPoint(again.standardOutput), handMount);
    EXPECT_EQ(mounts(), QStringList{handMount});

    EXPECT_EQ(runStandIn("kovara-mdutil", {"-i", "off", handMount}).exitStatus, 0);
    EXPECT_EQ(runStandIn("kovara-mdutil", {"-d", handMount}).exitStatus, 0);
    const RealMounts::Run notAVolume = runStandIn("kovara-mdutil", {"-i", "off", sandbox.path()});
    EXPECT_EQ(notAVolume.exitStatus, 1);
    EXPECT_TRUE(notAVolume.standardError.contains("não é um volume de cofre montado"));

    writeFile(handMount + "/aberto.txt", "em uso");
    QProcess holder;
    holder.setStandardInputFile(handMount + "/aberto.txt");
    holder.start("/usr/bin/sleep", {"600"});
    ASSERT_TRUE(holder.waitForStarted(-1));
    // The first attempt is fusermount3's own, which only says "busy"; the caller's next one, as
    // the app makes it, names the holders.
    const RealMounts::Run firstEject = runStandIn("kovara-diskutil", {"eject", handMount});
    EXPECT_NE(firstEject.exitStatus, 0);
    EXPECT_TRUE(firstEject.standardError.toLower().contains("busy")) << firstEject.standardError.toStdString();
    const RealMounts::Run eject = runStandIn("kovara-diskutil", {"eject", handMount});
    EXPECT_NE(eject.exitStatus, 0);
    const QString holderExecutable = QFileInfo(QString("/proc/%1/exe").arg(holder.processId())).symLinkTarget();
    EXPECT_TRUE(eject.standardError.toLower().contains("busy"));
    EXPECT_TRUE(QString::fromUtf8(eject.standardError)
                    .split('\n')
                    .contains(QString("Volume \"%1\" failed to eject: dissented by PID %2 (%3)")
                                  .arg(handMount)
                                  .arg(holder.processId())
                                  .arg(holderExecutable)))
        << eject.standardError.toStdString();
    const RealMounts::Run politeDetach = runStandIn("kovara-hdiutil", {"detach", handMount});
    EXPECT_EQ(politeDetach.exitStatus, 16);
    EXPECT_TRUE(politeDetach.standardError.contains("Resource busy")) << politeDetach.standardError.toStdString();
    EXPECT_EQ(mounts(), QStringList{handMount});

    EXPECT_EQ(runStandIn("kovara-hdiutil", {"detach", "-force", handMount}).exitStatus, 0);
    EXPECT_TRUE(mounts().isEmpty());
    EXPECT_TRUE(QFileInfo(handMount).isDir()) << "a folder the user mounted on is the user's: it stays";
    holder.kill();
    holder.waitForFinished(-1);
}

// Anyone may name a FUSE mount after a vault, in any spelling of its cipher folder or of the image
// folder itself: neither a volume shared with other users nor another volume of this user's is
// taken for the vault, reported, ejected or used, and the forger's password never opens it.
TEST_F(StandInsOnRealMounts, MountsThatOnlyCarryAVaultsNameAreNeverTakenForIt)
{
    const QString image = storage + "/vítima.sparsebundle";
    ASSERT_EQ(create(image, "Vítima", "senha").exitStatus, 0);
    const QString cipher = image + "/cipher";
    // Another user's mount, as the mount table would show it: the user_id is not ours.
    const QByteArray foreignLine = "90 1 0:99 / /tmp/alheio rw - fuse.gocryptfs " +
                                   cipher.toUtf8().replace('\\', "\\134").replace(' ', "\\040").replace('\n', "\\012") +
                                   " rw,user_id=" + QByteArray::number(::geteuid() + 1) + ",group_id=0";
    EXPECT_TRUE(AttachedImages::from(MountTable::parse(foreignLine.toStdString())).images().empty());

    const QString link = sandbox.path() + "/atalho";
    ASSERT_TRUE(QFile::link(image, link));
    const QList<std::pair<QString, QString>> forgeries{{"-allow_other", cipher},
                                                       {"-nosyslog", cipher},
                                                       {"-nosyslog", image},
                                                       {"-nosyslog", cipher + "/.."},
                                                       {"-nosyslog", link}};
    for (int index = 0; index < forgeries.size(); ++index) {
        const auto& [sharing, name] = forgeries[index];
        SCOPED_TRACE((sharing + " " + name).toStdString());
        const QString forged = sandbox.path() + "/forjado" + QString::number(index);
        QDir().mkpath(forged + "/cipher");
        QDir().mkpath(forged + "/montado");
        ASSERT_EQ(runGocryptfs({"-init", "-q", "-scryptn", "10", forged + "/cipher"}, "outra"), 0);
        ASSERT_EQ(runGocryptfs({"-q", "-nosyslog", sharing, "-fsname=" + name, forged + "/cipher", forged + "/montado"},
                               "outra"),
                  0);
        writeFile(forged + "/montado/isca.txt", "do atacante");
        writeFile(forged + "/montado/.metadata_never_index", "");

        const QByteArray listing = runStandIn("kovara-hdiutil", {"info", "-plist"}).standardOutput;
        EXPECT_FALSE(listing.contains(forged.toUtf8()));
        EXPECT_FALSE(listing.contains(image.toUtf8()));
        EXPECT_NE(runStandIn("kovara-diskutil", {"eject", forged + "/montado"}).exitStatus, 0);
        EXPECT_NE(runStandIn("kovara-mdutil", {"-d", forged + "/montado"}).exitStatus, 0);
        EXPECT_EQ(attach(image, "outra").exitStatus, AttachExitStatus::wrongPassword);
        // The vault opens with its own password in its own place, never at the forged mount.
        const RealMounts::Run opened = attach(image, "senha");
        ASSERT_EQ(opened.exitStatus, 0) << opened.standardError.toStdString();
        EXPECT_EQ(attachedMountPoint(opened.standardOutput), mountBase() + "/Vítima");
        EXPECT_TRUE(entriesOf(mountBase() + "/Vítima").isEmpty());
        EXPECT_EQ(runStandIn("kovara-hdiutil", {"detach", mountBase() + "/Vítima"}).exitStatus, 0);
        EXPECT_TRUE(mounts().contains(forged + "/montado"));
    }
}

TEST_F(StandInsOnRealMounts, AttachLeavesNoMountWhenStoppedOrRefusedAndNeverFollowsLinks)
{
    const QString image = storage + "/protegido.sparsebundle";
    ASSERT_EQ(create(image, "Protegido", "senha").exitStatus, 0);

    // Stopped while gocryptfs's daemon derives the key (the app stops a tool with SIGTERM): that
    // process ends with the tool, and nothing is mounted, whatever the comma in the path.
    const QString daemon = "notifypid=.*" + QFileInfo(sandbox.path()).fileName();
    const std::optional<QByteArray> stopped = stoppedOnce(
        {"attach", "-stdinpass", image}, [&] { return !processesMatching(daemon).isEmpty(); }, SIGTERM);
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(stopped->contains("Operação interrompida"));
    EXPECT_TRUE(processesMatching(daemon).isEmpty());
    EXPECT_TRUE(mounts().isEmpty());

    // A damaged configuration, or one that is no regular file (a FIFO would block its reader for
    // ever), is refused before gocryptfs starts, each with its own words.
    const QString configuration = QDir(image).filePath("cipher/gocryptfs.conf");
    const QByteArray intact = readAll(configuration);
    ASSERT_TRUE(QFile::remove(configuration));
    writeFile(configuration, "{danificado");
    const RealMounts::Run damaged = attach(image, "senha");
    EXPECT_EQ(damaged.exitStatus, AttachExitStatus::damagedConfiguration);
    EXPECT_EQ(damaged.standardError, "Os dados de configuração da imagem cifrada estão ilegíveis.\n");
    ASSERT_TRUE(QFile::remove(configuration));
    ASSERT_EQ(::mkfifo(QFile::encodeName(configuration).constData(), 0600), 0);
    const RealMounts::Run blocking = attach(image, "senha");
    EXPECT_EQ(blocking.exitStatus, AttachExitStatus::damagedConfiguration);
    EXPECT_EQ(blocking.standardError, "A configuração da imagem cifrada (gocryptfs.conf) não é um arquivo comum deste "
                                      "usuário; a imagem não foi aberta.\n");
    EXPECT_TRUE(processesMatching(QFileInfo(sandbox.path()).fileName()).isEmpty());
    ASSERT_TRUE(QFile::remove(configuration));
    writeFile(configuration, intact);
    EXPECT_TRUE(mounts().isEmpty());
    ASSERT_TRUE(QDir().rmdir(mountBase())) << "no mount folder is left behind either";

    const QString elsewhere = sandbox.path() + "/outro lugar";
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_TRUE(QFile::link(elsewhere, mountBase()));
    const RealMounts::Run throughLink = attach(image, "senha");
    EXPECT_EQ(throughLink.exitStatus, AttachExitStatus::failed) << "no wrong password";
    EXPECT_TRUE(throughLink.standardError.contains("não é um diretório real"))
        << throughLink.standardError.toStdString();

    ASSERT_TRUE(QFile::remove(mountBase()));
    ASSERT_TRUE(QDir().mkdir(mountBase()));
    QFile::setPermissions(mountBase(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    EXPECT_EQ(attach(image, "senha").exitStatus, AttachExitStatus::failed);
    EXPECT_TRUE(mounts().isEmpty());

    // A link where the volume's folder would go is a name already taken, never followed.
    QFile::setPermissions(mountBase(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::link(elsewhere, mountBase() + "/Protegido"));
    const RealMounts::Run beside = attach(image, "senha");
    ASSERT_EQ(beside.exitStatus, 0) << beside.standardError.toStdString();
    EXPECT_EQ(attachedMountPoint(beside.standardOutput), mountBase() + "/Protegido 1");
    EXPECT_TRUE(QFileInfo(mountBase() + "/Protegido").isSymLink());
    EXPECT_TRUE(entriesOf(elsewhere).isEmpty());

    // Its daemon killed, the volume answers nothing (ENOTCONN): attach mounts it afresh instead of
    // answering with the dead mount.
    const QList<pid_t> daemons = processesMatching(daemon);
    ASSERT_EQ(daemons.size(), 1);
    ASSERT_EQ(::kill(daemons[0], SIGKILL), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return processesMatching(daemon).isEmpty(); }));
    const RealMounts::Run afresh = attach(image, "senha");
    ASSERT_EQ(afresh.exitStatus, 0) << afresh.standardError.toStdString();
    writeFile(attachedMountPoint(afresh.standardOutput) + "/vivo.txt", "sim");
    EXPECT_EQ(mounts(), QStringList{attachedMountPoint(afresh.standardOutput)});
}

TEST_F(StandInsOnRealMounts, CreationRefusesBadRequestsAndLeavesNothingHalfMade)
{
    const QString existing = storage + "/existente.sparsebundle";
    writeFile(existing + "/guardar.txt", "intacto");
    EXPECT_EQ(create(existing, "Cofre", "senha").exitStatus, 1);
    EXPECT_EQ(entriesOf(existing), QStringList{"guardar.txt"});
    EXPECT_EQ(readAll(existing + "/guardar.txt"), "intacto");

    const QString image = storage + "/novo.sparsebundle";
    const RealMounts::Run empty = create(image, "Cofre", "");
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_TRUE(empty.standardError.contains("A senha não pode ser vazia."));
    EXPECT_EQ(create(image, "Cofre", QByteArray(VaultPassword::maximumBytes + 1, 'x')).exitStatus, 1);
    EXPECT_EQ(create(image, "Cofre", "senha", "UDIF").exitStatus, 1);
    EXPECT_EQ(create(storage + "/sem pasta/novo.sparsebundle", "Cofre", "senha").exitStatus, 1);
    EXPECT_EQ(entriesOf(storage), QStringList{"existente.sparsebundle"});

    // Stopped while gocryptfs sets the volume up under the temporary name.
    const auto unfinished = [&] {
        return QDir(storage).entryList({".kovara-incompleto-*"}, QDir::Dirs | QDir::Hidden);
    };
    // The app's runner stops a tool with SIGTERM: the tool cleans up after itself.
    const auto building = [&] { return !unfinished().isEmpty(); };
    const std::optional<QByteArray> stopped = stoppedOnce(createArguments(image, "Cofre"), building, SIGTERM);
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(stopped->contains("Operação interrompida"));
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_TRUE(unfinished().isEmpty());

    // Killed outright: what is left is a hidden temporary folder, which attach never takes for
    // the image and the next create removes.
    ASSERT_TRUE(stoppedOnce(createArguments(image, "Cofre"), building, SIGKILL));
    // The gocryptfs it started may still be writing into the temporary folder: let it end.
    const auto settled = [&] { return unfinished().isEmpty() || processesMatching(unfinished().first()).isEmpty(); };
    ASSERT_TRUE(QTest::qWaitFor(settled, 60000));
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_EQ(attach(image, "senha").exitStatus, AttachExitStatus::failed);
    EXPECT_TRUE(mounts().isEmpty());

    // The longest password accepted still reaches gocryptfs whole (its line is 2048 hex digits).
    QByteArray longest(VaultPassword::maximumBytes, '\xe9');
    longest[0] = '\n';
    ASSERT_EQ(create(image, "Longa", longest).exitStatus, 0);
    EXPECT_TRUE(unfinished().isEmpty());
    EXPECT_NE(attach(image, longest.chopped(1)).exitStatus, 0);
    const RealMounts::Run opened = attach(image, longest);
    ASSERT_EQ(opened.exitStatus, 0) << opened.standardError.toStdString();
    EXPECT_EQ(runStandIn("kovara-hdiutil", {"detach", attachedMountPoint(opened.standardOutput)}).exitStatus, 0);
}

TEST_F(StandInsOnRealMounts, ChpassOpensTheImageWithTheWholeNewPasswordOnlyAndAVolumesFolderIsTakenAgainOnceItGoes)
{
    const QString image = storage + "/trocada.sparsebundle";
    const QByteArray old = "antiga\nlinha";
    const QByteArray renewed = "nova\nlinha é outra";
    ASSERT_EQ(create(image, "Trocada", old).exitStatus, 0);
    const auto chpass = [&image](const QByteArray& current, const QByteArray& next) {
        return runStandIn("kovara-hdiutil", {"chpass", "-oldstdinpass", "-newstdinpass", image},
                          current + '\0' + next + '\0');
    };
    for (const QByteArray& wrong : {QByteArray("antiga"), QByteArray("outra senha")}) {
        const RealMounts::Run refused = chpass(wrong, renewed);
        EXPECT_EQ(refused.exitStatus, 80);
        EXPECT_TRUE(refused.standardError.contains("A senha atual está incorreta."))
            << refused.standardError.toStdString();
    }
    // gocryptfs's English never reaches the user, the system error it met does: here a folder
    // stands where it writes the new configuration.
    const QString pending = QDir(image).filePath(QString(ImageBundle::cipherFolderName) + "/gocryptfs.conf.tmp");
    ASSERT_TRUE(QDir().mkpath(pending + "/dentro"));
    EXPECT_EQ(chpass(old, renewed).standardError, "Não foi possível trocar a senha: Arquivo existe.\n");
    ASSERT_TRUE(QDir(pending).removeRecursively());
    // What a change cut short between gocryptfs's write and its rename leaves beside the old file.
    writeFile(pending, "");
    const RealMounts::Run changed = chpass(old, renewed);
    ASSERT_EQ(changed.exitStatus, 0) << changed.standardError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pending));
    EXPECT_NE(attach(image, old).exitStatus, 0);
    EXPECT_NE(attach(image, renewed.chopped(1)).exitStatus, 0);
    EXPECT_TRUE(mounts().isEmpty());

    // Left alone, the volume goes; its empty folder is taken again by the next attach.
    const RealMounts::Run idle = runStandIn(
        "kovara-hdiutil", {"attach", "-plist", "-nobrowse", "-owners", "on", "-idle", "1", "-stdinpass", image},
        renewed + '\0');
    ASSERT_EQ(idle.exitStatus, 0) << idle.standardError.toStdString();
    EXPECT_EQ(mounts(), QStringList{mountBase() + "/Trocada"});
    EXPECT_TRUE(QTest::qWaitFor([this] { return mounts().isEmpty(); }, 30000));
    const RealMounts::Run again = attach(image, renewed);
    ASSERT_EQ(again.exitStatus, 0) << again.standardError.toStdString();
    EXPECT_EQ(attachedMountPoint(again.standardOutput), mountBase() + "/Trocada");

    // So is the folder an eject leaves, every time.
    for (int round = 0; round < 2; ++round) {
        const RealMounts::Run ejected = runStandIn("kovara-diskutil", {"eject", mountBase() + "/Trocada"});
        ASSERT_EQ(ejected.exitStatus, 0) << ejected.standardError.toStdString();
        EXPECT_TRUE(mounts().isEmpty());
        const RealMounts::Run reopened = attach(image, renewed);
        ASSERT_EQ(reopened.exitStatus, 0) << reopened.standardError.toStdString();
        EXPECT_EQ(attachedMountPoint(reopened.standardOutput), mountBase() + "/Trocada");
    }
}

TEST_F(StandInsOnRealMounts, HiddenFlagIsSetAndClearedPerNameAndEachPathIsTried)
{
    const QString first = storage + "/primeiro";
    const QString second = storage + "/segundo item";
    QDir().mkpath(first);
    writeFile(second, "x");
    writeFile(storage + "/outro item", "x");
    writeFile(storage + "/.hidden", "outro item\n");

    ASSERT_EQ(runStandIn("kovara-chflags", {"hidden", first, second}).exitStatus, 0);
    ASSERT_EQ(runStandIn("kovara-chflags", {"hidden", second}).exitStatus, 0);
    EXPECT_EQ(readAll(storage + "/.hidden"), "outro item\nprimeiro\nsegundo item\n") << "each name listed once";
    EXPECT_TRUE(HiddenFlag::isSet(first.toStdString()));

    const RealMounts::Run partly = runStandIn("kovara-chflags", {"nohidden", storage + "/inexistente", first});
    EXPECT_EQ(partly.exitStatus, 1);
    EXPECT_TRUE(partly.standardError.contains("inexistente: Arquivo ou diretório inexistente"));
    EXPECT_EQ(readAll(storage + "/.hidden"), "outro item\nsegundo item\n");

    // The last name gone, no empty list is left behind.
    ASSERT_EQ(runStandIn("kovara-chflags", {"nohidden", second, storage + "/outro item"}).exitStatus, 0);
    EXPECT_FALSE(QFileInfo::exists(storage + "/.hidden"));
    EXPECT_EQ(runStandIn("kovara-chflags", {"uchg", second}).exitStatus, 1);
}

} // namespace
