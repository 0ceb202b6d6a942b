#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultError.h"
#include "platform/HiddenFlag.h"
#include "support/GocryptfsMountGuard.h"
#include "support/VaultErrorPrinting.h"
#include "support/WaitForTask.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// One vault's whole life through the disk-image service and the real stand-ins, on a gocryptfs
// volume mounted through FUSE: the same code paths the app takes, with nothing faked.
TEST(DiskImageServiceOnRealMountsTest, AVaultIsCreatedUnlockedFoundHeldBusyLockedAndTrashed)
{
    QTemporaryDir root;
    const KovaraPaths paths = KovaraPaths::under(root.path() + QStringLiteral("/Kovara"));
    const GocryptfsMountGuard guard({root.path(), qEnvironmentVariable("XDG_RUNTIME_DIR")});
    SystemProcessRunner runner;
    DiskImageService service(paths, runner);
    const QUuid id = QUuid::createUuid();
    const QString storage = root.path() + QStringLiteral("/Kovara/Vaults.noindex");
    const QString image = storage + QLatin1Char('/') + id.toString(QUuid::WithoutBraces).toLower() + ".sparsebundle";
    const Vault vault{id, QStringLiteral("Cofre: ponta a ponta"), QUrl::fromLocalFile(image),
                      QDateTime::currentDateTimeUtc()};
    // A line break and a non-ASCII letter must reach the encryption whole.
    const QString password = QStringLiteral("senha\ncom é");

    const MountProtectionReport created = waitForTask(service.createSparseBundle(vault, 1, password, {}));
    EXPECT_TRUE(created.warnings.isEmpty()) << created.warnings.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(image).isDir());
    EXPECT_TRUE(HiddenFlag::isSet(image));
    EXPECT_TRUE(HiddenFlag::isSet(storage));

    EXPECT_EQ(
        [&] {
            try {
                waitForTask(service.attach(vault, QStringLiteral("senha"), {}));
            } catch (const VaultError& error) {
                return error.kind();
            }
            return VaultError::Kind::noSelection;
        }(),
        VaultError::Kind::unlockFailed);
    EXPECT_TRUE(waitForTask(service.mountedSessions({vault})).isEmpty());

    const auto [session, attached] = waitForTask(service.attach(vault, password, {}));
    EXPECT_TRUE(attached.warnings.isEmpty()) << attached.warnings.join('\n').toStdString();
    const QString mountPoint = session.mountPoint.toLocalFile();
    EXPECT_TRUE(QFileInfo(mountPoint + ".metadata_never_index").isFile());
    EXPECT_EQ(waitForTask(service.mountedSessions({vault})), (QHash<QUuid, VaultSession>{{id, session}}));
    const QList<MountedDiskImage> inStorage = waitForTask(service.mountedImagesInStorage());
    ASSERT_EQ(inStorage.size(), 1);
    EXPECT_EQ(inStorage[0].mountPoint, session.mountPoint);
    EXPECT_EQ(inStorage[0].deviceEntry, session.deviceEntry);

    // This program holds a file open inside: the polite lock names it after three attempts.
    {
        QFile note(mountPoint + QStringLiteral("nota.txt"));
        ASSERT_TRUE(note.open(QIODevice::WriteOnly));
        note.write("conteúdo");
        note.flush();
        try {
            waitForTask(service.detach(session));
            ADD_FAILURE() << "a volume with an open file was detached politely";
        } catch (const VaultError& error) {
            EXPECT_EQ(error.holders(), QStringList({QFileInfo(QCoreApplication::applicationFilePath()).fileName()}));
        }
    }
    waitForTask(service.detach(session));
    EXPECT_TRUE(waitForTask(service.mountedSessions({vault})).isEmpty());
    EXPECT_TRUE(GocryptfsMountGuard::mountPointsUnder(qEnvironmentVariable("XDG_RUNTIME_DIR")).isEmpty());

    const VaultImageRemoval removal = waitForTask(service.trashImage(vault));
    EXPECT_EQ(removal, VaultImageRemoval::trashed(QStringLiteral("Cofre- ponta a ponta.sparsebundle")));
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_TRUE(QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/" +
                          removal.fileName)
                    .isDir());
}
