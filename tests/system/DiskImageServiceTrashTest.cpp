#include "DiskImageServiceFixture.h"

#include "posix/HiddenFlag.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <functional>
#include <stdexcept>
#include <sys/stat.h>

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
    const QSettings record(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/info/" +
                               removal.fileName + ".trashinfo",
                           QSettings::IniFormat);
    EXPECT_EQ(QUrl::fromPercentEncoding(record.value("Trash Info/Path").toByteArray()),
              storagePath() + "/Fotos- 2024-25.sparsebundle")
        << "restorable to where it was";
    EXPECT_FALSE(QFileInfo::exists(vault.imageURL.toLocalFile()));
    EXPECT_FALSE(TestFiles::readAll(storagePath() + "/.hidden").contains(vault.imageURL.fileName().toUtf8()))
        << "no stale hidden entry";
    EXPECT_EQ(waitForTask(realTrash.trashImage(vault)), VaultImageRemoval::missing());
    EXPECT_TRUE(tools.calls().isEmpty());

    // A broken Trash takes nothing: the image stays where it was, hidden, under its own name, the
    // user reads which folder is at fault, and nothing lands anywhere else.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString trash = dataHome + "/Trash";
    const auto resetTrash = [&] {
        QFile::remove(trash);
        QDir(trash).removeRecursively();
    };
    const struct
    {
        const char* situation;
        std::function<void()> breakTrash;
        QString fault;
    } broken[] = {
        {"the Trash is a file", [&] { TestFiles::writeFile(trash, ""); }, trash + "” não é uma pasta."},
        {"its folder of records is a file",
         [&] {
             QDir().mkpath(trash + "/files");
             TestFiles::writeFile(trash + "/info", "");
         },
         trash + "/info” não é uma pasta."},
        {"the Trash is a link",
         [&] {
             QDir().mkpath(dataHome + "/elsewhere");
             QFile::link(dataHome + "/elsewhere", trash);
         },
         trash + "” é um link simbólico."},
        {"its folder of items is open to everyone",
         [&] {
             QDir().mkpath(trash + "/files");
             ::chmod(QFile::encodeName(trash + "/files").constData(), 0777);
         },
         trash + "/files” pode ser alterada por outros usuários."},
    };
    const Vault kept = vaultNamed("Guardado");
    HiddenFlag::set(kept.imageURL.toLocalFile().toStdString(), true);
    for (const auto& trashState : broken) {
        resetTrash();
        trashState.breakTrash();
        EXPECT_EQ(
            vaultErrorFrom(realTrash.trashImage(kept)).errorDescription(),
            "O arquivo criptografado do cofre não pôde ser movido para a Lixeira. A Lixeira não pode ser usada: “" +
                trashState.fault + " O arquivo continua no lugar.")
            << trashState.situation;
        EXPECT_TRUE(QFileInfo(kept.imageURL.toLocalFile()).isDir()) << trashState.situation;
        EXPECT_TRUE(HiddenFlag::isSet(kept.imageURL.toLocalFile().toStdString())) << trashState.situation;
        EXPECT_FALSE(QFileInfo::exists(storagePath() + "/Guardado.sparsebundle")) << trashState.situation;
        EXPECT_TRUE(TestFiles::entriesOf(dataHome + "/elsewhere").isEmpty()) << trashState.situation;
        EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + "/files/Guardado.sparsebundle")) << trashState.situation;
    }
    resetTrash();

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
