#include "DiskImageServiceFixture.h"

#include "posix/HiddenFlag.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

TEST(DiskImageServiceTrashNameTest, FriendlyNamesNeverLookInternalOrHidden)
{
    const std::pair<QString, std::optional<QString>> cases[] = {
        {" Fotos: 2024/25\n", "Fotos- 2024-25"},
        {"...Notas", "Notas"},
        {"Re\u200Bcibos\u0007", "Recibos"},
        {QString(80, u'a'), QString(80, u'a')},
        {"...", std::nullopt},
        {QString(81, u'a'), std::nullopt},
        {"6F1C1B1E-8E0C-4C55-9B43-0D0C8A1E2B3F", std::nullopt},
        {"00000000-0000-0000-0000-000000000000", std::nullopt},
    };
    for (const auto& [name, friendly] : cases) {
        EXPECT_EQ(DiskImageService::trashFriendlyName(name), friendly) << name.toStdString();
    }
}

// The real freedesktop Trash, inside the test program's private data folder.
TEST_F(DiskImageServiceTest, AnImageGoesToTheTrashUnderItsFriendlyNameOrItsOwn)
{
    DiskImageService realTrash(paths, runner);
    const Vault vault = vaultNamed("Fotos: 2024/25");
    HiddenFlag::set(vault.imageURL.toLocalFile().toStdString(), true);

    const VaultImageRemoval removal = waitForTask(realTrash.trashImage(vault));
    EXPECT_EQ(removal, VaultImageRemoval::trashed("Fotos- 2024-25.sparsebundle"));
    EXPECT_TRUE(QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/" +
                          removal.fileName)
                    .isDir());
    EXPECT_FALSE(QFileInfo::exists(vault.imageURL.toLocalFile()));
    EXPECT_FALSE(TestFiles::readAll(storagePath() + "/.hidden").contains(vault.imageURL.fileName().toUtf8()))
        << "no stale hidden entry";
    EXPECT_EQ(waitForTask(realTrash.trashImage(vault)), VaultImageRemoval::missing());
    EXPECT_TRUE(tools.calls().isEmpty());

    // A Trash whose folder of records is a file takes nothing: the image stays where it was.
    const QString records = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/info";
    ASSERT_TRUE(QDir(records).removeRecursively());
    TestFiles::writeFile(records, "");
    const Vault kept = vaultNamed("Guardado");
    EXPECT_EQ(vaultErrorFrom(realTrash.trashImage(kept)).errorDescription(),
              "O arquivo criptografado do cofre não pôde ser movido para a Lixeira. Não foi possível mover "
              "“Guardado.sparsebundle” para a Lixeira. O arquivo continua no lugar.");
    EXPECT_TRUE(QFileInfo(kept.imageURL.toLocalFile()).isDir());
    ASSERT_TRUE(QFile::remove(records));

    const Vault unnamed = vaultNamed("...");
    EXPECT_EQ(waitForTask(service.trashImage(unnamed)), VaultImageRemoval::trashed(unnamed.imageURL.fileName()));
    EXPECT_EQ(trashedPaths, QStringList({unnamed.imageURL.toLocalFile()}));
}

TEST_F(DiskImageServiceTest, AFailedTrashPutsTheImageBackOrFinishesOnTheNextAttempt)
{
    const Vault vault = vaultNamed("Notas");
    const QString image = vault.imageURL.toLocalFile();
    const QString friendly = storagePath() + "/Notas.sparsebundle";
    HiddenFlag::set(image.toStdString(), true);
    bool hiddenWhenTrashed = true;
    trashBehaviour = [&](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        hiddenWhenTrashed = HiddenFlag::isSet(location.toLocalFile().toStdString());
        throw std::runtime_error("A Lixeira está cheia.");
    };
    EXPECT_EQ(vaultErrorFrom(service.trashImage(vault)).kind(), VaultError::Kind::imageCouldNotBeTrashed);
    EXPECT_EQ(trashedPaths, QStringList({friendly}));
    EXPECT_FALSE(hiddenWhenTrashed);
    EXPECT_FALSE(QFileInfo::exists(friendly));
    EXPECT_TRUE(HiddenFlag::isSet(image.toStdString()));

    // The image cannot go back (something took its internal name meanwhile): the error says
    // where it is, and the next attempt trashes it from there.
    trashBehaviour = [&](const QUrl&) -> std::optional<QUrl> {
        QDir().mkpath(image);
        throw std::runtime_error("A Lixeira está cheia.");
    };
    EXPECT_EQ(
        vaultErrorFrom(service.trashImage(vault)).errorDescription(),
        "O arquivo criptografado do cofre não pôde ser movido para a Lixeira. A Lixeira está cheia. O arquivo ficou em " +
            friendly + "; apague o cofre novamente para tentar de novo.");
    EXPECT_TRUE(QFileInfo(friendly).isDir());
    EXPECT_TRUE(HiddenFlag::isSet(friendly.toStdString()));

    QDir(image).removeRecursively();
    trashedPaths.clear();
    trashBehaviour = [&](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        return QUrl::fromLocalFile("/trash/files/Notas.2.sparsebundle");
    };
    EXPECT_EQ(waitForTask(service.trashImage(vault)), VaultImageRemoval::trashed("Notas.2.sparsebundle"));
    EXPECT_EQ(trashedPaths, QStringList({friendly}));
}
