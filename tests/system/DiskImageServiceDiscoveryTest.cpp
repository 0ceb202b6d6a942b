#include "DiskImageServiceFixture.h"

#include "posix/MountTable.h"
#include "system/HdiutilPropertyListParser.h"

#include <QFile>

#include <algorithm>

namespace {

QString invalid(const char* detail)
{
    return "O sistema retornou dados de montagem inválidos. " + QString::fromUtf8(detail);
}

} // namespace

TEST_F(DiskImageServiceTest, TheListingDecidesWhichVaultsAreMounted)
{
    const Vault fotos = vaultNamed("Fotos");
    const Vault notas = vaultNamed("Notas");
    const QString fotosImage = fotos.imageURL.toLocalFile();
    const auto sessionsFor = [&](const QByteArray& listing) {
        tools.answerNext(SystemTool::hdiutil, {.standardOutput = listing});
        return service.mountedSessions({fotos, notas});
    };
    const auto errorFor = [&](const QByteArray& listing) {
        return vaultErrorFrom(sessionsFor(listing)).errorDescription();
    };

    EXPECT_EQ(errorFor(propertyList("")), invalid("A lista de imagens não tem o formato esperado."));
    EXPECT_EQ(errorFor("<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>"),
              invalid("A raiz não é um dicionário."));
    EXPECT_TRUE(waitForTask(sessionsFor(infoOutput({}))).isEmpty());
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).last().arguments, QStringList({"info", "-plist"}));

    // A raw attachment without a volume, or with several, is nothing to worry about unless it is
    // a vault's.
    const std::pair<QString, QList<Entity>> rawOther{"/var/tmp/other.dmg", {{QString(), "fuse:0:9"}}};
    const std::pair<QString, QList<Entity>> twoVolumesOther{"/var/tmp/outra.dmg",
                                                            {{"/media/a", "d1"}, {"/media/b", "d2"}}};
    EXPECT_TRUE(waitForTask(sessionsFor(infoOutput({rawOther, twoVolumesOther}))).isEmpty());
    EXPECT_EQ(errorFor(infoOutput({{fotosImage, {{QString(), "fuse:0:10"}}}})),
              invalid("Uma imagem Kovara aparece anexada sem um ponto de montagem válido."));
    EXPECT_EQ(errorFor(infoOutput({{fotosImage, twoVolumesOther.second}})),
              invalid("Uma imagem Kovara possui mais de um ponto de montagem."));
    EXPECT_EQ(errorFor(infoOutput({{fotosImage, {{"/media/a", QString()}}}})),
              invalid("Uma imagem Kovara montada não informou sua entrada de dispositivo."));
    EXPECT_EQ(errorFor(infoOutput({{QString(), {{"/media/a", "d1"}}}})),
              invalid("Uma imagem montada não informou seu caminho de origem."));

    // The same vault listed twice: once if identical, an error if not.
    const std::pair<QString, QList<Entity>> fotosMounted{fotosImage, {{"/media/Fotos", "fuse:0:11"}}};
    EXPECT_EQ(waitForTask(sessionsFor(infoOutput({fotosMounted, fotosMounted}))),
              (QHash<QUuid, VaultSession>{{fotos.id, {fotos.id, QUrl::fromLocalFile("/media/Fotos/"), "fuse:0:11"}}}));
    EXPECT_EQ(errorFor(infoOutput({fotosMounted, {fotosImage, {{"/media/Fotos 1", "fuse:0:12"}}}})),
              invalid("Um cofre Kovara aparece montado mais de uma vez."));

    // A percent-escaped file URL under "image-url" (the path has a space); the device entry
    // comes from another entity when the mounted one has none.
    const QString notasURL = notas.imageURL.toString(QUrl::FullyEncoded);
    ASSERT_TRUE(notasURL.contains("%20"));
    const QHash<QUuid, VaultSession> both = waitForTask(sessionsFor(
        infoOutput({rawOther, {notasURL, {{QString(), "fuse:0:20"}, {"/media/Notas", QString()}}}, fotosMounted})));
    EXPECT_EQ(both.size(), 2);
    EXPECT_EQ(both.value(notas.id), (VaultSession{notas.id, QUrl::fromLocalFile("/media/Notas/"), "fuse:0:20"}));

    // A catalogue path through a symbolic link matches the resolved image.
    const QString alias = root.path() + "/alias";
    ASSERT_TRUE(QFile::link(root.path() + "/Application Support", alias));
    Vault throughLink = fotos;
    throughLink.imageURL = QUrl::fromLocalFile(alias + "/Kovara/Vaults.noindex/" + fotos.imageURL.fileName());
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = infoOutput({fotosMounted})});
    EXPECT_EQ(waitForTask(service.mountedSessions({throughLink})).value(fotos.id).mountPoint,
              QUrl::fromLocalFile("/media/Fotos/"));

    // Whether an ejected volume is gone is read from the system's mount table, however the
    // directory location is spelled.
    EXPECT_FALSE(service.hasLeftMountTable(QUrl::fromLocalFile("/proc/./")));
    EXPECT_TRUE(service.hasLeftMountTable(QUrl::fromLocalFile(root.path() + "/")));
    // A session is still mounted only while its mount point holds the device it was found with.
    const MountTable table = MountTable::read();
    const auto proc = std::find_if(table.entries().rbegin(), table.entries().rend(),
                                   [](const MountInfoEntry& mount) { return mount.mountPoint == "/proc"; });
    ASSERT_NE(proc, table.entries().rend());
    const QString procDevice = QString::fromStdString(proc->deviceEntry());
    EXPECT_TRUE(service.isStillMounted({notas.id, QUrl::fromLocalFile("/proc/./"), procDevice}));
    EXPECT_FALSE(service.isStillMounted({notas.id, QUrl::fromLocalFile("/proc/"), procDevice + "0"}));
    EXPECT_FALSE(service.isStillMounted({notas.id, QUrl::fromLocalFile(root.path() + "/"), procDevice}));
}

TEST_F(DiskImageServiceTest, MountedImagesInStorageIncludesUncataloguedImagesAndRefusesALinkedStorageFolder)
{
    QDir().mkpath(storagePath());
    const QString known = storagePath() + "/0f0e0d0c-0000-4000-8000-000000000001.sparsebundle";
    const QString stray = storagePath() + "/anything.sparsebundle";
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = infoOutput({{known, {{"/media/A", "fuse:0:1"}}},
                                                                         {"/var/tmp/x.dmg", {{"/media/X", "d"}}},
                                                                         {stray, {{"/media/B", "fuse:0:2"}}}})});

    const QList<MountedDiskImage> images = waitForTask(service.mountedImagesInStorage());
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0],
              (MountedDiskImage{QUrl::fromLocalFile(known + "/"), QUrl::fromLocalFile("/media/A/"), "fuse:0:1"}));
    EXPECT_EQ(images[1].mountPoint, QUrl::fromLocalFile("/media/B/"));

    QDir(storagePath()).removeRecursively();
    QDir().mkpath(root.path() + "/elsewhere");
    ASSERT_TRUE(QFile::link(root.path() + "/elsewhere", storagePath()));
    EXPECT_EQ(vaultErrorFrom(service.mountedImagesInStorage()).errorDescription(),
              "A pasta protegida do Kovara não é segura para uso. Vaults.noindex não é um diretório real.");
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).size(), 1);
}

TEST(HdiutilPropertyListParserTest, AttachmentNeedsAMountedVolumeAndADeviceEntry)
{
    const auto attachOutput = [](const char* entities) {
        return QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>system-entities</key><array>") +
               entities + "</array></dict></plist>";
    };
    const auto errorOf = [](const QByteArray& bytes) {
        try {
            HdiutilPropertyListParser::attachment(bytes);
        } catch (const VaultError& error) {
            return error.errorDescription();
        }
        return QString();
    };
    EXPECT_EQ(errorOf(attachOutput("<dict><key>dev-entry</key><string>fuse:0:1</string></dict>")),
              "O sistema não informou o volume montado pelo cofre.");
    EXPECT_EQ(errorOf(attachOutput("<dict><key>mount-point</key><string>/media/V</string></dict>")),
              invalid("A entrada do dispositivo não foi informada."));
    // An empty string or a value of the wrong type counts as absent.
    const HdiutilPropertyListParser::Attachment attachment = HdiutilPropertyListParser::attachment(attachOutput(
        "<dict><key>mount-point</key><string></string><key>dev-entry</key><string>fuse:0:1</string></dict>"
        "<dict><key>mount-point</key><integer>3</integer></dict>"
        "<dict><key>mount-point</key><string>/media/V</string><key>dev-entry</key><string></string></dict>"));
    EXPECT_EQ(attachment.mountPoint, QUrl::fromLocalFile("/media/V/"));
    EXPECT_EQ(attachment.deviceEntry, "fuse:0:1");
}
