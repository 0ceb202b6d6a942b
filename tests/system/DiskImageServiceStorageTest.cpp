#include "DiskImageServiceFixture.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

mode_t permissions(const QString& path)
{
    struct stat status { };
    lstat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

using Answer = FakeSystemTools::Answer;

QString unsafe(const char* detail)
{
    return QStringLiteral("A pasta protegida do Kovara não é segura para uso. ") + QString::fromUtf8(detail);
}

} // namespace

TEST_F(DiskImageServiceTest, PreparingStorageCreatesPrivateFoldersAndTheMarkerOnce)
{
    const MountProtectionReport first = waitForTask(service.prepareStorage());

    EXPECT_TRUE(first.warnings.isEmpty());
    EXPECT_EQ(permissions(applicationPath()), 0700u);
    EXPECT_EQ(permissions(storagePath()), 0700u);
    EXPECT_TRUE(QFileInfo(storagePath() + "/.metadata_never_index").isFile());
    EXPECT_EQ(QFileInfo(storagePath() + "/.metadata_never_index").size(), 0);
    ASSERT_EQ(tools.calls().size(), 1);
    EXPECT_EQ(tools.calls()[0].arguments, QStringList({"hidden", storagePath()}));

    // Again: nothing changes; an existing marker with content and a folder's own mode are kept.
    QFile marker(storagePath() + "/.metadata_never_index");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("kept");
    marker.close();
    ASSERT_EQ(chmod(QFile::encodeName(applicationPath()).constData(), 0750), 0);
    tools.answerNext(SystemTool::chflags, Answer().withStatus(1).withError("chflags: Operation not permitted\n"));
    const MountProtectionReport second = waitForTask(service.prepareStorage());
    EXPECT_EQ(second.warnings,
              QStringList({"Não foi possível marcar a pasta de cofres como oculta (código 1): "
                           "chflags: Operation not permitted"}));
    EXPECT_EQ(QFileInfo(storagePath() + "/.metadata_never_index").size(), 4);
    EXPECT_EQ(permissions(applicationPath()), 0750u);
}

TEST_F(DiskImageServiceTest, UnsafeStorageStopsAllImageWork)
{
    // A storage folder that is a link to a real folder elsewhere.
    const QString elsewhere = root.path() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere);
    QDir().mkpath(applicationPath());
    ASSERT_TRUE(QFile::link(elsewhere, storagePath()));
    const Vault vault = vaultNamed(QStringLiteral("Fotos"));
    EXPECT_EQ(vaultErrorFrom(service.createSparseBundle(vault, 1, QStringLiteral("abcdefgh"), {})).errorDescription(),
              unsafe("Vaults.noindex não é um diretório real."));
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {})).errorDescription(),
              unsafe("Vaults.noindex não é um diretório real."));
    EXPECT_TRUE(tools.calls().isEmpty());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());

    // A marker that is a folder.
    QFile::remove(storagePath());
    QDir().mkpath(storagePath() + "/.metadata_never_index");
    EXPECT_EQ(vaultErrorFrom(service.prepareStorage()).errorDescription(),
              unsafe(".metadata_never_index não é um arquivo regular."));
    QDir(storagePath() + "/.metadata_never_index").removeRecursively();

    // Image paths that are not the vault's own name in the storage folder.
    Vault upperCase = vault;
    upperCase.imageURL =
        QUrl::fromLocalFile(storagePath() + "/" + vault.id.toString(QUuid::WithoutBraces).toUpper() + ".sparsebundle");
    EXPECT_EQ(
        vaultErrorFrom(service.createSparseBundle(upperCase, 1, QStringLiteral("abcdefgh"), {})).errorDescription(),
        unsafe("O caminho do sparsebundle não corresponde ao cofre."));
    Vault outside = vault;
    outside.imageURL = QUrl::fromLocalFile(storagePath() + "/../" + vault.imageURL.fileName());
    EXPECT_EQ(vaultErrorFrom(service.attach(outside, QStringLiteral("abcdefgh"), {})).errorDescription(),
              unsafe("O caminho do sparsebundle não corresponde ao cofre."));

    // Attach needs the image, as a real folder.
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {})).kind(),
              VaultError::Kind::missingImage);
    QFile image(vault.imageURL.toLocalFile());
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.close();
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {})).errorDescription(),
              unsafe("O sparsebundle não é um diretório real."));
    EXPECT_TRUE(tools.calls(SystemTool::hdiutil).isEmpty());
}

TEST_F(DiskImageServiceTest, RollingBackANewImageRemovesItWhole)
{
    const Vault vault = existingVault(QStringLiteral("Novo"));
    QDir().mkpath(vault.imageURL.toLocalFile() + "/bands");
    QFile band(vault.imageURL.toLocalFile() + "/bands/0");
    ASSERT_TRUE(band.open(QIODevice::WriteOnly));
    band.close();

    service.rollbackNewSparseBundle(vault);

    EXPECT_FALSE(QFileInfo::exists(vault.imageURL.toLocalFile()));
    EXPECT_TRUE(QFileInfo(storagePath()).isDir());
    try {
        service.rollbackNewSparseBundle(vault);
        FAIL() << "expected missingImage";
    } catch (const VaultError& error) {
        EXPECT_EQ(error.kind(), VaultError::Kind::missingImage);
    }
}
