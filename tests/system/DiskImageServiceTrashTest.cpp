#include "DiskImageServiceFixture.h"

#include "platform/HiddenFlag.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

TEST(DiskImageServiceTrashNameTest, FriendlyNamesNeverLookInternalOrHidden)
{
    EXPECT_EQ(DiskImageService::trashFriendlyName(QStringLiteral(" Fotos: 2024/25\n")),
              QStringLiteral("Fotos- 2024-25"));
    EXPECT_EQ(DiskImageService::trashFriendlyName(QStringLiteral("...Notas")), QStringLiteral("Notas"));
    EXPECT_EQ(DiskImageService::trashFriendlyName(QStringLiteral("Re\u200Bcibos\u0007")), QStringLiteral("Recibos"));
    EXPECT_EQ(DiskImageService::trashFriendlyName(QString(80, QLatin1Char('a'))), QString(80, QLatin1Char('a')));
    EXPECT_EQ(DiskImageService::trashFriendlyName(QStringLiteral("...")), std::nullopt);
    EXPECT_EQ(DiskImageService::trashFriendlyName(QString(81, QLatin1Char('a'))), std::nullopt);
    EXPECT_EQ(DiskImageService::trashFriendlyName(QStringLiteral("6F1C1B1E-8E0C-4C55-9B43-0D0C8A1E2B3F")),
              std::nullopt);
    EXPECT_EQ(DiskImageService::trashFriendlyName(QStringLiteral("00000000-0000-0000-0000-000000000000")),
              std::nullopt);
}

// The real freedesktop Trash, inside the test program's private data folder.
TEST_F(DiskImageServiceTest, AnImageGoesToTheTrashUnderItsFriendlyName)
{
    DiskImageService realTrash(paths, runner);
    const Vault vault = existingVault(QStringLiteral("Fotos: 2024/25"));
    HiddenFlag::set(vault.imageURL.toLocalFile(), true);

    const VaultImageRemoval removal = waitForTask(realTrash.trashImage(vault));

    EXPECT_EQ(removal, VaultImageRemoval::trashed(QStringLiteral("Fotos- 2024-25.sparsebundle")));
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/";
    EXPECT_TRUE(QFileInfo(trash + removal.fileName).isDir());
    EXPECT_FALSE(QFileInfo::exists(vault.imageURL.toLocalFile()));
    QFile hiddenList(storagePath() + "/.hidden");
    const QByteArray listed = hiddenList.open(QIODevice::ReadOnly) ? hiddenList.readAll() : QByteArray();
    EXPECT_FALSE(listed.contains(vault.imageURL.fileName().toUtf8())) << "no stale hidden entry";

    // Nothing left to trash: the list entry alone goes.
    EXPECT_EQ(waitForTask(realTrash.trashImage(vault)), VaultImageRemoval::missing());
    EXPECT_TRUE(tools.calls().isEmpty());
}

TEST_F(DiskImageServiceTest, AFailedTrashPutsTheImageBackOrFinishesOnTheNextAttempt)
{
    const Vault vault = existingVault(QStringLiteral("Notas"));
    const QString image = vault.imageURL.toLocalFile();
    const QString friendly = storagePath() + QStringLiteral("/Notas.sparsebundle");
    HiddenFlag::set(image, true);
    bool hiddenWhenTrashed = true;
    trashBehaviour = [&](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        hiddenWhenTrashed = HiddenFlag::isSet(location.toLocalFile());
        throw std::runtime_error("O Lixo está cheio.");
    };

    const VaultError putBack = vaultErrorFrom(service.trashImage(vault));

    EXPECT_EQ(putBack.errorDescription(),
              QStringLiteral("O arquivo criptografado do cofre não pôde ser movido para o "
                             "Lixo. O Lixo está cheio. O arquivo continua no lugar."));
    EXPECT_EQ(trashedPaths, QList<QString>({friendly}));
    EXPECT_FALSE(hiddenWhenTrashed);
    EXPECT_TRUE(QFileInfo(image).isDir());
    EXPECT_FALSE(QFileInfo::exists(friendly));
    EXPECT_TRUE(HiddenFlag::isSet(image));

    // The image cannot go back (something took its internal name meanwhile): the error says
    // where it is, and the next attempt trashes it from there.
    trashBehaviour = [&](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        QDir().mkpath(image);
        throw std::runtime_error("O Lixo está cheio.");
    };
    const VaultError stuck = vaultErrorFrom(service.trashImage(vault));
    EXPECT_EQ(stuck.errorDescription(),
              QStringLiteral("O arquivo criptografado do cofre não pôde ser movido para o Lixo. "
                             "O Lixo está cheio. O arquivo ficou em ") +
                  friendly + QStringLiteral("; apague o cofre novamente para tentar de novo."));
    EXPECT_TRUE(QFileInfo(friendly).isDir());
    EXPECT_TRUE(HiddenFlag::isSet(friendly));

    QDir(image).removeRecursively();
    trashedPaths.clear();
    trashBehaviour = [&](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        return QUrl::fromLocalFile(QStringLiteral("/trash/files/Notas.2.sparsebundle"));
    };
    EXPECT_EQ(waitForTask(service.trashImage(vault)), VaultImageRemoval::trashed("Notas.2.sparsebundle"));
    EXPECT_EQ(trashedPaths, QList<QString>({friendly}));
}

TEST_F(DiskImageServiceTest, AnImageWithoutAFriendlyNameIsTrashedUnderItsOwn)
{
    const Vault vault = existingVault(QStringLiteral("..."));

    EXPECT_EQ(waitForTask(service.trashImage(vault)), VaultImageRemoval::trashed(vault.imageURL.fileName()));
    EXPECT_EQ(trashedPaths, QList<QString>({vault.imageURL.toLocalFile()}));
}
