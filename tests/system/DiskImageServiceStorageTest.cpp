#include "DiskImageServiceFixture.h"

#include "posix/HiddenFlag.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

QString unsafe(const char* detail)
{
    return "A pasta protegida do Kovara não é segura para uso. " + QString::fromUtf8(detail);
}

} // namespace

TEST_F(DiskImageServiceTest, PreparingStorageCreatesPrivateFoldersAndTheMarkerOnce)
{
    EXPECT_TRUE(waitForTask(service.prepareStorage()).warnings.isEmpty());
    EXPECT_EQ(TestFiles::permissionsOf(applicationPath()), 0700);
    EXPECT_EQ(TestFiles::permissionsOf(storagePath()), 0700);
    EXPECT_TRUE(QFileInfo(storagePath() + "/.metadata_never_index").isFile());
    EXPECT_EQ(QFileInfo(storagePath() + "/.metadata_never_index").size(), 0);
    ASSERT_EQ(tools.calls().size(), 1);
    EXPECT_EQ(tools.calls()[0].arguments, QStringList({"hidden", storagePath()}));

    // Again: nothing changes; an existing marker with content and a folder's own mode are kept.
    TestFiles::writeFile(storagePath() + "/.metadata_never_index", "kept");
    ASSERT_EQ(chmod(QFile::encodeName(applicationPath()).constData(), 0750), 0);
    tools.answerNext(SystemTool::chflags, {.status = 1, .standardError = "chflags: Operation not permitted\n"});
    EXPECT_EQ(waitForTask(service.prepareStorage()).warnings,
              QStringList({"Não foi possível marcar a pasta de cofres como oculta (código 1): "
                           "chflags: Operation not permitted"}));
    EXPECT_EQ(QFileInfo(storagePath() + "/.metadata_never_index").size(), 4);
    EXPECT_EQ(TestFiles::permissionsOf(applicationPath()), 0750);

    // A folder already in its parent's hidden list needs no tool to hide it.
    HiddenFlag::set(QFile::encodeName(storagePath()).toStdString(), true);
    EXPECT_TRUE(waitForTask(service.prepareStorage()).warnings.isEmpty());
    EXPECT_EQ(tools.calls().size(), 2);
}

TEST_F(DiskImageServiceTest, UnsafeStorageStopsAllImageWork)
{
    // A storage folder that is a link to a real folder elsewhere.
    const QString elsewhere = root.path() + "/elsewhere";
    QDir().mkpath(elsewhere);
    QDir().mkpath(applicationPath());
    ASSERT_TRUE(QFile::link(elsewhere, storagePath()));
    const Vault vault = vaultNamed("Fotos", false);
    EXPECT_EQ(vaultErrorFrom(service.createSparseBundle(vault, 1, "abcdefgh", {})).errorDescription(),
              unsafe("Vaults.noindex não é um diretório real."));
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "abcdefgh", {})).errorDescription(),
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
    EXPECT_EQ(vaultErrorFrom(service.createSparseBundle(upperCase, 1, "abcdefgh", {})).errorDescription(),
              unsafe("O caminho da imagem não corresponde ao cofre."));
    Vault outside = vault;
    outside.imageURL = QUrl::fromLocalFile(storagePath() + "/../" + vault.imageURL.fileName());
    EXPECT_EQ(vaultErrorFrom(service.attach(outside, "abcdefgh", {})).errorDescription(),
              unsafe("O caminho da imagem não corresponde ao cofre."));

    // Attach needs the image, as a real folder.
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "abcdefgh", {})).errorDescription(),
              "O arquivo deste cofre não foi encontrado.");
    TestFiles::writeFile(vault.imageURL.toLocalFile(), {});
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "abcdefgh", {})).errorDescription(),
              unsafe("A imagem do cofre não é um diretório real."));
    EXPECT_TRUE(tools.calls(SystemTool::hdiutil).isEmpty());
}
