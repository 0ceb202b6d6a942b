#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/PropertyListTree.h"
#include "disktools/VaultPassword.h"
#include "platform/HiddenFlag.h"
#include "support/GocryptfsMountGuard.h"
#include "support/StandInTools.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// The stand-ins driven as the app drives them, on real gocryptfs volumes mounted through FUSE.
// A machine without /dev/fuse or gocryptfs fails these tests: the stand-ins cannot work there.

namespace {

using TestFiles::entriesOf;
using TestFiles::permissionsOf;
using TestFiles::readAll;
using TestFiles::writeFile;

struct Entity
{
    QString mountPoint;
    QString deviceEntry;
    bool operator==(const Entity&) const = default;
};

QString stringIn(plist_t dictionary, const char* key)
{
    plist_t node = dictionary ? plist_dict_get_item(dictionary, key) : nullptr;
    if (!node || plist_get_node_type(node) != PLIST_STRING) {
        return {};
    }
    char* value = nullptr;
    plist_get_string_val(node, &value);
    const QString text = QString::fromUtf8(value);
    free(value);
    return text;
}

Entity firstEntity(plist_t container)
{
    plist_t entities = plist_dict_get_item(container, "system-entities");
    if (!entities || plist_get_node_type(entities) != PLIST_ARRAY || plist_array_get_size(entities) == 0) {
        return {};
    }
    plist_t entity = plist_array_get_item(entities, 0);
    return {stringIn(entity, "mount-point"), stringIn(entity, "dev-entry")};
}

Entity attachedEntity(const QByteArray& propertyList)
{
    const std::optional<PropertyListTree> tree = PropertyListTree::parse(propertyList);
    return tree ? firstEntity(tree->root()) : Entity{};
}

// image-path → its first system entity, for every "images" entry of an info listing.
QMap<QString, Entity> listedImages(const QByteArray& propertyList)
{
    QMap<QString, Entity> listed;
    const std::optional<PropertyListTree> tree = PropertyListTree::parse(propertyList);
    plist_t images = tree ? plist_dict_get_item(tree->root(), "images") : nullptr;
    for (uint32_t i = 0; images && i < plist_array_get_size(images); ++i) {
        plist_t image = plist_array_get_item(images, i);
        listed.insert(stringIn(image, "image-path"), firstEntity(image));
    }
    return listed;
}

} // namespace

class StandInsOnRealMounts : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists("/dev/fuse")) << "/dev/fuse is missing: vaults cannot be mounted here";
        ASSERT_TRUE(QFileInfo(Gocryptfs::executable).isExecutable()) << "gocryptfs is not installed";
        ASSERT_TRUE(sandbox_.isValid());
        // A space, a comma (which gocryptfs rewrites in the mount's name) and a non-ASCII letter.
        storage_ = sandbox_.path() + "/Cofres, já guardados";
        runtime_ = sandbox_.path() + "/run";
        ASSERT_TRUE(QDir().mkpath(storage_));
        ASSERT_TRUE(QDir().mkpath(runtime_));
        QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        previousRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_));
        guard_.emplace(QStringList{sandbox_.path()});
    }

    void TearDown() override
    {
        guard_.reset();
        qputenv("XDG_RUNTIME_DIR", previousRuntime_);
    }

    static StandInTools::Run create(const QString& image, const QString& volumeName, const QByteArray& password)
    {
        return StandInTools::run("kovara-hdiutil",
                                 {"create", "-size", "1g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname", volumeName,
                                  "-encryption", "AES-256", "-stdinpass", "-nospotlight", image},
                                 password + '\0');
    }

    static StandInTools::Run attach(const QString& image, const QByteArray& password)
    {
        return StandInTools::run("kovara-hdiutil", {"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", image},
                                 password + '\0');
    }

    static StandInTools::Run detach(const QString& mountPoint, bool force = false)
    {
        return StandInTools::run("kovara-hdiutil", force ? QStringList{"detach", "-force", mountPoint} : QStringList{"detach", mountPoint});
    }

    static QMap<QString, Entity> info()
    {
        const StandInTools::Run listing = StandInTools::run("kovara-hdiutil", {"info", "-plist"});
        EXPECT_EQ(listing.exitStatus, 0) << listing.standardError.toStdString();
        return listedImages(listing.standardOutput);
    }

    QStringList mounts() const { return GocryptfsMountGuard::mountPointsUnder(sandbox_.path()); }
    QString mountBase() const { return runtime_ + "/kovara"; }

    QTemporaryDir sandbox_;
    QString storage_;
    QString runtime_;
    QByteArray previousRuntime_;
    std::optional<GocryptfsMountGuard> guard_;
};

TEST_F(StandInsOnRealMounts, VaultLifeCycleKeepsContentsEncryptedAndOpensOnlyWithTheWholePassword)
{
    const QByteArray password = "linha um\nsenha é longa";
    const QString image = storage_ + "/3f2c9a.sparsebundle";

    const StandInTools::Run created = create(image, "Cofre Pessoal", password);
    ASSERT_EQ(created.exitStatus, 0) << created.standardError.toStdString();
    EXPECT_EQ(permissionsOf(image), 0700);

    // Hidden through the folder's .hidden list, other names in it kept.
    ASSERT_TRUE(writeFile(storage_ + "/.hidden", "outro item\n"));
    ASSERT_EQ(StandInTools::run("kovara-chflags", {"hidden", image}).exitStatus, 0);
    EXPECT_EQ(readAll(storage_ + "/.hidden"), "outro item\n3f2c9a.sparsebundle\n");
    EXPECT_TRUE(HiddenFlag::isSet(image));

    const StandInTools::Run attached = attach(image, password);
    ASSERT_EQ(attached.exitStatus, 0) << attached.standardError.toStdString();
    const Entity volume = attachedEntity(attached.standardOutput);
    EXPECT_EQ(volume.mountPoint, mountBase() + "/Cofre Pessoal");
    EXPECT_EQ(permissionsOf(mountBase()), 0700);
    struct stat mounted {};
    ASSERT_EQ(::stat(QFile::encodeName(volume.mountPoint).constData(), &mounted), 0);
    EXPECT_EQ(volume.deviceEntry, QString("fuse:%1:%2").arg(major(mounted.st_dev)).arg(minor(mounted.st_dev)));

    const QByteArray marker = "conteúdo-secreto-0123456789";
    const QByteArray contents = marker.repeated(4096);
    ASSERT_TRUE(writeFile(volume.mountPoint + "/relatório confidencial.txt", contents));
    ASSERT_TRUE(QDir(volume.mountPoint).mkdir("pasta reservada"));
    // Nothing in the image reveals the file's name, the folder's name or the file's bytes.
    int filesInImage = 0;
    for (QDirIterator it(image, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        EXPECT_FALSE(path.contains("relat") || path.contains("confidencial") || path.contains("reservada")) << path.toStdString();
        if (it.fileInfo().isFile()) {
            ++filesInImage;
            EXPECT_FALSE(readAll(path).contains(marker)) << path.toStdString();
        }
    }
    EXPECT_GE(filesInImage, 3);

    // The listing finds the image by its exact path, comma and all.
    EXPECT_EQ(info().value(image), volume);

    // Attaching a mounted image answers with its mount and mounts nothing more.
    const StandInTools::Run again = attach(image, password);
    ASSERT_EQ(again.exitStatus, 0) << again.standardError.toStdString();
    EXPECT_EQ(attachedEntity(again.standardOutput), volume);
    EXPECT_EQ(mounts(), QStringList{volume.mountPoint});

    const StandInTools::Run detached = detach(volume.mountPoint);
    ASSERT_EQ(detached.exitStatus, 0) << detached.standardError.toStdString();
    EXPECT_TRUE(mounts().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(volume.mountPoint));
    EXPECT_FALSE(info().contains(image));

    // Only the whole password opens it: not the part before its line break, not a longer one.
    for (const QByteArray& wrong : {QByteArray("linha um"), QByteArray("linha um\n"), QByteArray("linha um\nsenha é long"),
                                    password + "!", QByteArray("outra senha")}) {
        const StandInTools::Run refused = attach(image, wrong);
        EXPECT_NE(refused.exitStatus, 0) << wrong.toStdString();
        EXPECT_TRUE(refused.standardError.contains("Senha incorreta.")) << refused.standardError.toStdString();
        EXPECT_TRUE(mounts().isEmpty());
        EXPECT_TRUE(entriesOf(mountBase()).isEmpty()) << entriesOf(mountBase()).join(", ").toStdString();
    }

    const StandInTools::Run reopened = attach(image, password);
    ASSERT_EQ(reopened.exitStatus, 0) << reopened.standardError.toStdString();
    const Entity reopenedVolume = attachedEntity(reopened.standardOutput);
    EXPECT_EQ(readAll(reopenedVolume.mountPoint + "/relatório confidencial.txt"), contents);
    EXPECT_EQ(detach(reopenedVolume.mountPoint).exitStatus, 0);
}

TEST_F(StandInsOnRealMounts, VolumeMountedByHandWithGocryptfsIsListedCheckedAndDetached)
{
    const QByteArray password = "mão\nfeita";
    const QString image = storage_ + "/manual.sparsebundle";
    ASSERT_EQ(create(image, "Manual", password).exitStatus, 0);
    const QString handMount = sandbox_.path() + "/montado à mão";
    ASSERT_TRUE(QDir().mkpath(handMount));

    // What a user would type: gocryptfs on the cipher folder, the password's hex form as its line.
    QProcess gocryptfs;
    gocryptfs.setStandardOutputFile(QProcess::nullDevice());
    gocryptfs.setStandardErrorFile(QProcess::nullDevice());
    gocryptfs.start(Gocryptfs::executable,
                    {"-q", "-nosyslog", QDir(image).filePath(ImageBundle::cipherFolderName), handMount});
    ASSERT_TRUE(gocryptfs.waitForStarted(-1));
    gocryptfs.write(password.toHex() + "\n");
    gocryptfs.closeWriteChannel();
    ASSERT_TRUE(gocryptfs.waitForFinished(-1));
    ASSERT_EQ(gocryptfs.exitCode(), 0);

    const Entity listed = info().value(image);
    EXPECT_EQ(listed.mountPoint, handMount);
    EXPECT_TRUE(listed.deviceEntry.startsWith("fuse:"));

    EXPECT_EQ(StandInTools::run("kovara-mdutil", {"-i", "off", handMount}).exitStatus, 0);
    EXPECT_EQ(StandInTools::run("kovara-mdutil", {"-d", handMount}).exitStatus, 0);
    const StandInTools::Run notAVolume = StandInTools::run("kovara-mdutil", {"-i", "off", sandbox_.path()});
    EXPECT_EQ(notAVolume.exitStatus, 1);
    EXPECT_TRUE(notAVolume.standardError.contains("não é um volume de cofre montado"));

    ASSERT_EQ(detach(handMount).exitStatus, 0);
    EXPECT_TRUE(mounts().isEmpty());
    // A folder the user mounted on is the user's: it stays.
    EXPECT_TRUE(QFileInfo(handMount).isDir());
}

TEST_F(StandInsOnRealMounts, VolumeInUseIsNotEjectedAndNamesItsHolderUntilForced)
{
    const QString image = storage_ + "/ocupado.sparsebundle";
    ASSERT_EQ(create(image, "Em Uso", "segredo").exitStatus, 0);
    const StandInTools::Run attached = attach(image, "segredo");
    ASSERT_EQ(attached.exitStatus, 0) << attached.standardError.toStdString();
    const QString mountPoint = attachedEntity(attached.standardOutput).mountPoint;
    ASSERT_TRUE(writeFile(mountPoint + "/aberto.txt", "em uso"));

    QProcess holder;
    holder.setStandardInputFile(mountPoint + "/aberto.txt");
    holder.start("/usr/bin/sleep", {"600"});
    ASSERT_TRUE(holder.waitForStarted(-1));
    const QString holderExecutable = QFileInfo(QString("/proc/%1/exe").arg(holder.processId())).symLinkTarget();

    const StandInTools::Run eject = StandInTools::run("kovara-diskutil", {"eject", mountPoint});
    EXPECT_NE(eject.exitStatus, 0);
    const QString message = QString::fromUtf8(eject.standardError);
    EXPECT_TRUE(message.toLower().contains("busy")) << message.toStdString();
    EXPECT_TRUE(message.split('\n').contains(QString("Volume \"%1\" failed to eject: dissented by PID %2 (%3)")
                                                 .arg(mountPoint)
                                                 .arg(holder.processId())
                                                 .arg(holderExecutable)))
        << message.toStdString();
    EXPECT_EQ(mounts(), QStringList{mountPoint});

    const StandInTools::Run politeDetach = detach(mountPoint);
    EXPECT_EQ(politeDetach.exitStatus, 16);
    EXPECT_TRUE(politeDetach.standardError.contains("Resource busy")) << politeDetach.standardError.toStdString();
    EXPECT_EQ(mounts(), QStringList{mountPoint});

    const StandInTools::Run forced = detach(mountPoint, true);
    EXPECT_EQ(forced.exitStatus, 0) << forced.standardError.toStdString();
    EXPECT_TRUE(mounts().isEmpty());

    holder.kill();
    holder.waitForFinished(-1);
}

TEST_F(StandInsOnRealMounts, VaultsWithOneVolumeNameMountApartAndDetachByDeviceEntry)
{
    const QString first = storage_ + "/primeiro.sparsebundle";
    const QString second = storage_ + "/segundo.sparsebundle";
    ASSERT_EQ(create(first, "Cofre", "um").exitStatus, 0);
    ASSERT_EQ(create(second, "Cofre", "dois").exitStatus, 0);

    const Entity firstVolume = attachedEntity(attach(first, "um").standardOutput);
    const Entity secondVolume = attachedEntity(attach(second, "dois").standardOutput);
    EXPECT_EQ(firstVolume.mountPoint, mountBase() + "/Cofre");
    EXPECT_EQ(secondVolume.mountPoint, mountBase() + "/Cofre 1");
    EXPECT_NE(firstVolume.deviceEntry, secondVolume.deviceEntry);

    const QMap<QString, Entity> listed = info();
    EXPECT_EQ(listed.value(first), firstVolume);
    EXPECT_EQ(listed.value(second), secondVolume);

    EXPECT_EQ(detach(firstVolume.deviceEntry).exitStatus, 0);
    EXPECT_EQ(detach(secondVolume.deviceEntry).exitStatus, 0);
    EXPECT_TRUE(mounts().isEmpty());
}

TEST_F(StandInsOnRealMounts, MountFoldersReachedThroughSymbolicLinksOrOpenToOthersAreRefused)
{
    const QString image = storage_ + "/protegido.sparsebundle";
    ASSERT_EQ(create(image, "Protegido", "senha").exitStatus, 0);
    const QString elsewhere = sandbox_.path() + "/outro lugar";
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_TRUE(QFile::link(elsewhere, mountBase()));
    const StandInTools::Run throughLink = attach(image, "senha");
    EXPECT_EQ(throughLink.exitStatus, 1);
    EXPECT_TRUE(throughLink.standardError.contains("não é um diretório real")) << throughLink.standardError.toStdString();
    EXPECT_TRUE(mounts().isEmpty());
    EXPECT_TRUE(entriesOf(elsewhere).isEmpty());

    ASSERT_TRUE(QFile::remove(mountBase()));
    ASSERT_TRUE(QDir().mkdir(mountBase()));
    QFile::setPermissions(mountBase(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                           | QFile::ExeOther);
    const StandInTools::Run openToOthers = attach(image, "senha");
    EXPECT_EQ(openToOthers.exitStatus, 1);
    EXPECT_TRUE(mounts().isEmpty());

    // A link where the volume's folder would go is a name already taken, never followed.
    QFile::setPermissions(mountBase(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::link(elsewhere, mountBase() + "/Protegido"));
    const StandInTools::Run beside = attach(image, "senha");
    ASSERT_EQ(beside.exitStatus, 0) << beside.standardError.toStdString();
    EXPECT_EQ(attachedEntity(beside.standardOutput).mountPoint, mountBase() + "/Protegido 1");
    EXPECT_TRUE(QFileInfo(mountBase() + "/Protegido").isSymLink());
    EXPECT_TRUE(entriesOf(elsewhere).isEmpty());
}

TEST_F(StandInsOnRealMounts, CreationRefusesBadRequestsAndLeavesNothingHalfMade)
{
    const QString existing = storage_ + "/existente.sparsebundle";
    ASSERT_TRUE(QDir().mkpath(existing));
    ASSERT_TRUE(writeFile(existing + "/guardar.txt", "intacto"));
    EXPECT_EQ(create(existing, "Cofre", "senha").exitStatus, 1);
    EXPECT_EQ(entriesOf(existing), QStringList{"guardar.txt"});
    EXPECT_EQ(readAll(existing + "/guardar.txt"), "intacto");

    const QString image = storage_ + "/novo.sparsebundle";
    const StandInTools::Run empty = create(image, "Cofre", "");
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_TRUE(empty.standardError.contains("A senha não pode ser vazia."));
    EXPECT_EQ(create(image, "Cofre", QByteArray(VaultPassword::maximumBytes + 1, 'x')).exitStatus, 1);
    EXPECT_EQ(StandInTools::run("kovara-hdiutil",
                                {"create", "-size", "1g", "-type", "UDIF", "-fs", "APFS", "-volname", "Cofre", "-encryption",
                                 "AES-256", "-stdinpass", "-nospotlight", image},
                                "senha\0")
                  .exitStatus,
              1);
    EXPECT_EQ(create(storage_ + "/sem pasta/novo.sparsebundle", "Cofre", "senha").exitStatus, 1);
    EXPECT_EQ(entriesOf(storage_), QStringList{"existente.sparsebundle"});

    // Stopped while gocryptfs sets the volume up (the app's runner stops a tool with SIGTERM).
    QProcess stopped;
    stopped.start(StandInTools::path("kovara-hdiutil"),
                  {"create", "-size", "1g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname", "Cofre", "-encryption",
                   "AES-256", "-stdinpass", "-nospotlight", image});
    ASSERT_TRUE(stopped.waitForStarted(-1));
    stopped.write(QByteArray("senha\0", 6));
    stopped.closeWriteChannel();
    while (!QFileInfo::exists(image) && stopped.state() == QProcess::Running) {
        stopped.waitForFinished(1);
    }
    ASSERT_EQ(stopped.state(), QProcess::Running);
    ::kill(pid_t(stopped.processId()), SIGTERM);
    ASSERT_TRUE(stopped.waitForFinished(-1));
    EXPECT_EQ(stopped.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(stopped.exitCode(), 0);
    const QByteArray stoppedError = stopped.readAllStandardError();
    EXPECT_TRUE(stoppedError.contains("Operação interrompida")) << stoppedError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(image));

    // The longest password accepted still reaches gocryptfs whole (its line is 2048 hex digits).
    QByteArray longest(VaultPassword::maximumBytes, '\xe9');
    longest[0] = '\n';
    ASSERT_EQ(create(image, "Longa", longest).exitStatus, 0);
    EXPECT_NE(attach(image, longest.chopped(1)).exitStatus, 0);
    const StandInTools::Run opened = attach(image, longest);
    ASSERT_EQ(opened.exitStatus, 0) << opened.standardError.toStdString();
    EXPECT_EQ(detach(attachedEntity(opened.standardOutput).mountPoint).exitStatus, 0);
}

TEST_F(StandInsOnRealMounts, HiddenFlagIsSetAndClearedPerNameAndEachPathIsTried)
{
    const QString first = storage_ + "/primeiro";
    const QString second = storage_ + "/segundo item";
    ASSERT_TRUE(QDir().mkpath(first));
    ASSERT_TRUE(writeFile(second, "x"));

    ASSERT_EQ(StandInTools::run("kovara-chflags", {"hidden", first, second}).exitStatus, 0);
    EXPECT_EQ(readAll(storage_ + "/.hidden"), "primeiro\nsegundo item\n");
    // Hiding twice lists the name once.
    ASSERT_EQ(StandInTools::run("kovara-chflags", {"hidden", second}).exitStatus, 0);
    EXPECT_EQ(readAll(storage_ + "/.hidden"), "primeiro\nsegundo item\n");

    const StandInTools::Run partly = StandInTools::run("kovara-chflags", {"nohidden", storage_ + "/inexistente", first});
    EXPECT_EQ(partly.exitStatus, 1);
    EXPECT_TRUE(partly.standardError.contains("inexistente: Arquivo ou diretório inexistente"));
    EXPECT_EQ(readAll(storage_ + "/.hidden"), "segundo item\n");
    EXPECT_FALSE(HiddenFlag::isSet(first));

    // The last name gone, no empty list is left behind.
    ASSERT_EQ(StandInTools::run("kovara-chflags", {"nohidden", second}).exitStatus, 0);
    EXPECT_FALSE(QFileInfo::exists(storage_ + "/.hidden"));
    EXPECT_EQ(StandInTools::run("kovara-chflags", {"uchg", second}).exitStatus, 1);
}
