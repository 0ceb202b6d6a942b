#include "DiskImageServiceFixture.h"

#include "system/HdiutilPropertyListParser.h"

#include <QFile>

namespace {

using Answer = FakeSystemTools::Answer;

QString mountedText(const char* detail)
{
    return QStringLiteral("O macOS retornou dados de montagem inválidos. ") + QString::fromUtf8(detail);
}

} // namespace

TEST_F(DiskImageServiceTest, TheListingDecidesWhichVaultsAreMounted)
{
    const Vault fotos = existingVault(QStringLiteral("Fotos"));
    const Vault notas = existingVault(QStringLiteral("Notas"));
    const QString fotosImage = fotos.imageURL.toLocalFile();
    const QString notasImage = notas.imageURL.toLocalFile();
    const QList<Vault> vaults{fotos, notas};
    const auto sessionsFor = [&](const QByteArray& listing) {
        tools.answerNext(SystemTool::hdiutil, Answer().withOutput(listing));
        return service.mountedSessions(vaults);
    };
    const auto errorFor = [&](const QByteArray& listing) {
        return vaultErrorFrom(sessionsFor(listing)).errorDescription();
    };

    EXPECT_EQ(errorFor("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>"),
              mountedText("A lista de imagens não tem o formato esperado."));
    EXPECT_EQ(errorFor("<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>"),
              mountedText("A raiz não é um dicionário."));
    EXPECT_TRUE(waitForTask(sessionsFor(infoPropertyList({}))).isEmpty());
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).last().arguments, QStringList({"info", "-plist"}));

    // A raw attachment without a volume is nothing to worry about, unless it is a vault's.
    const Image rawOther{QStringLiteral("/var/tmp/other.dmg"), {{QString(), "fuse:0:9"}}};
    EXPECT_TRUE(waitForTask(sessionsFor(infoPropertyList({rawOther}))).isEmpty());
    EXPECT_EQ(errorFor(infoPropertyList({{fotosImage, {{QString(), "fuse:0:10"}}}})),
              mountedText("Uma imagem Kovara aparece anexada sem um ponto de montagem válido."));

    // Several volumes: the first is taken for a foreign image, a vault's is ambiguous.
    const Image twoVolumesOther{QStringLiteral("/var/tmp/other.dmg"), {{"/media/a", "d1"}, {"/media/b", "d2"}}};
    EXPECT_TRUE(waitForTask(sessionsFor(infoPropertyList({twoVolumesOther}))).isEmpty());
    EXPECT_EQ(errorFor(infoPropertyList({{fotosImage, {{"/media/a", "d1"}, {"/media/b", "d2"}}}})),
              mountedText("Uma imagem Kovara possui mais de um ponto de montagem."));
    EXPECT_EQ(errorFor(infoPropertyList({{fotosImage, {{"/media/a", QString()}}}})),
              mountedText("Uma imagem Kovara montada não informou sua entrada de dispositivo."));
    EXPECT_EQ(errorFor(infoPropertyList({{QString(), {{"/media/a", "d1"}}}})),
              mountedText("Uma imagem montada não informou seu caminho de origem."));

    // The same vault listed twice: once if identical, an error if not.
    const Image fotosMounted{fotosImage, {{"/media/Fotos", "fuse:0:11"}}};
    const QHash<QUuid, VaultSession> once = waitForTask(sessionsFor(infoPropertyList({fotosMounted, fotosMounted})));
    EXPECT_EQ(once,
              (QHash<QUuid, VaultSession>{
                  {fotos.id, VaultSession{fotos.id, QUrl::fromLocalFile("/media/Fotos/"), "fuse:0:11"}}}));
    EXPECT_EQ(errorFor(infoPropertyList({fotosMounted, {fotosImage, {{"/media/Fotos 1", "fuse:0:12"}}}})),
              mountedText("Um cofre Kovara aparece montado mais de uma vez."));

    // A percent-escaped file URL under "image-url" (the path has a space), in a binary list; the
    // device entry comes from another entity when the mounted one has none.
    const Image notasByURL{QUrl::fromLocalFile(notasImage).toString(QUrl::FullyEncoded),
                           {{QString(), "fuse:0:20"}, {"/media/Notas", QString()}},
                           "image-url"};
    ASSERT_TRUE(notasByURL.location.contains("%20"));
    const QHash<QUuid, VaultSession> binary =
        waitForTask(sessionsFor(infoPropertyList({rawOther, notasByURL, fotosMounted}, true)));
    EXPECT_EQ(binary.size(), 2);
    EXPECT_EQ(binary.value(notas.id), (VaultSession{notas.id, QUrl::fromLocalFile("/media/Notas/"), "fuse:0:20"}));
}

TEST_F(DiskImageServiceTest, ACataloguePathThroughASymbolicLinkMatchesTheResolvedImage)
{
    const Vault vault = existingVault(QStringLiteral("Fotos"));
    const QString alias = root.path() + QStringLiteral("/alias");
    ASSERT_TRUE(QFile::link(root.path() + QStringLiteral("/Application Support"), alias));
    Vault throughLink = vault;
    throughLink.imageURL =
        QUrl::fromLocalFile(alias + QStringLiteral("/Kovara/Vaults.noindex/") + vault.imageURL.fileName());
    tools.answerNext(
        SystemTool::hdiutil,
        Answer().withOutput(infoPropertyList({{vault.imageURL.toLocalFile(), {{"/media/Fotos", "fuse:0:1"}}}})));

    const QHash<QUuid, VaultSession> sessions = waitForTask(service.mountedSessions({throughLink}));

    EXPECT_EQ(sessions.value(vault.id).mountPoint, QUrl::fromLocalFile("/media/Fotos/"));
}

TEST_F(DiskImageServiceTest, MountedImagesInStorageIncludesUncataloguedImagesAndRefusesALinkedStorageFolder)
{
    QDir().mkpath(storagePath());
    const QString known = storagePath() + QStringLiteral("/0f0e0d0c-0000-4000-8000-000000000001.sparsebundle");
    const QString stray = storagePath() + QStringLiteral("/anything.sparsebundle");
    tools.answerNext(SystemTool::hdiutil,
                     Answer().withOutput(infoPropertyList({{known, {{"/media/A", "fuse:0:1"}}},
                                                           {QStringLiteral("/var/tmp/x.dmg"), {{"/media/X", "d"}}},
                                                           {stray, {{"/media/B", "fuse:0:2"}}}})));

    const QList<MountedDiskImage> images = waitForTask(service.mountedImagesInStorage());

    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0],
              (MountedDiskImage{QUrl::fromLocalFile(known + "/"), QUrl::fromLocalFile("/media/A/"), "fuse:0:1"}));
    EXPECT_EQ(images[1].mountPoint, QUrl::fromLocalFile("/media/B/"));

    const QString elsewhere = root.path() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere);
    QDir(storagePath()).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere, storagePath()));
    EXPECT_EQ(
        vaultErrorFrom(service.mountedImagesInStorage()).errorDescription(),
        QStringLiteral("A pasta protegida do Kovara não é segura para uso. Vaults.noindex não é um diretório real."));
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
            return error;
        }
        throw std::logic_error("expected a VaultError");
    };

    EXPECT_EQ(errorOf(attachOutput("<dict><key>dev-entry</key><string>fuse:0:1</string></dict>")).kind(),
              VaultError::Kind::noMountedVolume);
    EXPECT_EQ(errorOf(attachOutput("<dict><key>mount-point</key><string>/media/V</string></dict>")).errorDescription(),
              mountedText("A entrada do dispositivo não foi informada."));
    // An empty string or a value of the wrong type counts as absent.
    const HdiutilPropertyListParser::Attachment attachment = HdiutilPropertyListParser::attachment(attachOutput(
        "<dict><key>mount-point</key><string></string><key>dev-entry</key><string>fuse:0:1</string></dict>"
        "<dict><key>mount-point</key><integer>3</integer></dict>"
        "<dict><key>mount-point</key><string>/media/V</string><key>dev-entry</key><string></string></dict>"));
    EXPECT_EQ(attachment.mountPoint, QUrl::fromLocalFile("/media/V/"));
    EXPECT_EQ(attachment.deviceEntry, QStringLiteral("fuse:0:1"));
}
