#include "content/VaultContentService.h"
#include "model/VaultError.h"
#include "platform/VolumeTrash.h"
#include "support/FileTreeSnapshot.h"
#include "support/GocryptfsTestMount.h"
#include "support/SampleFileTree.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

QStringList namesOf(const QList<VaultContentItem>& items)
{
    QStringList names;
    for (const VaultContentItem& item : items) {
        names << item.name;
    }
    return names;
}

const VaultContentItem& itemNamed(const QList<VaultContentItem>& items, const QString& name)
{
    static const VaultContentItem none;
    for (const VaultContentItem& item : items) {
        if (item.name == name) {
            return item;
        }
    }
    ADD_FAILURE() << "not listed: " << name.toStdString();
    return none;
}

VaultError::Kind vaultErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const VaultError& error) {
        return error.kind();
    } catch (...) {
    }
    ADD_FAILURE() << "no VaultError";
    return VaultError::Kind::sourceMissing;
}

} // namespace

TEST(VaultContentListing, hidesInternalNamesInAnyCaseAndSortsFoldersFirstInFinderOrder)
{
    QTemporaryDir volume;
    const QString root = volume.path();
    VaultContentService service;
    const auto list = [&] { return waitForTask(service.listTopLevelItems(QUrl::fromLocalFile(root + "/"))); };

    for (const QString& internal :
         {QStringLiteral(".TRASHES"), QStringLiteral(".Spotlight-V100"), QStringLiteral(".documentrevisions-v100"),
          QStringLiteral(".fseventsd"), QStringLiteral(".Metadata_Never_Index"), QStringLiteral(".KOVARA-STAGING"),
          VolumeTrash::directoryName().toUpper()}) {
        QDir().mkpath(root + u'/' + internal);
    }
    EXPECT_TRUE(list().isEmpty());

    for (const char* file : {"Item 10", "Item 2", "Banana", "apple", ".DS_Store", "Álbum.txt"}) {
        SampleFileTree::writeFile(root + "/" + file, "x");
    }
    for (const char* folder : {"zeta", "Alfa", "Pages.app/Contents", "Fotos 10", "Fotos 9"}) {
        QDir().mkpath(root + "/" + folder);
    }
    ::symlink("Alfa", QFile::encodeName(root + "/atalho").constData());

    const QList<VaultContentItem> items = list();
    EXPECT_EQ(namesOf(items), QStringList({"Alfa", "Fotos 9", "Fotos 10", "zeta", ".DS_Store", "Álbum.txt", "apple",
                                           "atalho", "Banana", "Item 2", "Item 10", "Pages.app"}));

    const VaultContentItem& package = itemNamed(items, "Pages.app");
    EXPECT_TRUE(package.isDirectory && package.isPackage);
    EXPECT_FALSE(package.isNavigableFolder());
    EXPECT_FALSE(package.fileSize.has_value());
    const VaultContentItem& folder = itemNamed(items, "Alfa");
    EXPECT_TRUE(folder.isNavigableFolder());
    const VaultContentItem& file = itemNamed(items, "apple");
    EXPECT_EQ(file.fileSize, 1);
    EXPECT_EQ(file.url, QUrl::fromLocalFile(root + "/apple"));
    EXPECT_EQ(file.id, file.url);
    EXPECT_TRUE(file.modificationDate.has_value());

    // A link is identified as the link itself, never as its target.
    const VaultContentItem& link = itemNamed(items, "atalho");
    struct stat linkStatus {};
    ASSERT_EQ(::lstat(QFile::encodeName(root + "/atalho").constData(), &linkStatus), 0);
    EXPECT_EQ(link.fileSystemIdentity.fileType, S_IFLNK);
    EXPECT_EQ(link.fileSystemIdentity.node, linkStatus.st_ino);
    EXPECT_FALSE(link.isDirectory);

    EXPECT_THROW(waitForTask(service.listTopLevelItems(QUrl::fromLocalFile(root + "/missing"))), std::system_error);
}

TEST(VaultContentTrash, aTrashedItemStaysInTheEncryptedVolumeAndCanBeRestored)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString root = volume.mountPoint();
    SampleFileTree::writeFile(root + "/Relatório.pdf", "conteúdo secreto");
    SampleFileTree::create(root + "/Pasta Fechada", 1000);
    // gocryptfs moves a folder's access time when it is first listed; after that it stays.
    FileTreeSnapshot::of(root + "/Pasta Fechada");
    const FileTreeSnapshot folderBefore = FileTreeSnapshot::of(root + "/Pasta Fechada");
    VaultContentService service;

    QList<VaultContentItem> items = waitForTask(service.listTopLevelItems(volume.mountPointURL()));
    waitForTask(service.trashItem(itemNamed(items, "Relatório.pdf"), volume.mountPointURL()));
    waitForTask(service.trashItem(itemNamed(items, "Pasta Fechada"), volume.mountPointURL()));
    EXPECT_TRUE(waitForTask(service.listTopLevelItems(volume.mountPointURL())).isEmpty());

    // The freedesktop layout inside the volume, with a Path relative to the volume so a file
    // manager can restore it wherever the vault is mounted next time.
    const QString trash = root + u'/' + VolumeTrash::directoryName();
    EXPECT_EQ(QFileInfo(trash).permissions() & 0x0077, 0);
    QSettings info(trash + "/info/Relatório.pdf.trashinfo", QSettings::IniFormat);
    EXPECT_EQ(info.value("Trash Info/Path").toString(), "Relat%C3%B3rio.pdf");
    EXPECT_TRUE(info.value("Trash Info/DeletionDate").toDateTime().isValid());

    // Restoring is a rename back.
    ASSERT_TRUE(QFile::rename(trash + "/files/Relatório.pdf", root + "/Relatório.pdf"));
    QFile restored(root + "/Relatório.pdf");
    ASSERT_TRUE(restored.open(QIODevice::ReadOnly));
    EXPECT_EQ(restored.readAll(), "conteúdo secreto");
    const FileTreeSnapshot trashedFolder = FileTreeSnapshot::of(trash + "/files/Pasta Fechada");
    EXPECT_EQ(trashedFolder, folderBefore) << trashedFolder.differencesFrom(folderBefore).toStdString();

    // A second item of the same name gets its own slot in the trash.
    items = waitForTask(service.listTopLevelItems(volume.mountPointURL()));
    SampleFileTree::writeFile(trash + "/info/Relatório.pdf.trashinfo", "[Trash Info]\n");
    waitForTask(service.trashItem(itemNamed(items, "Relatório.pdf"), volume.mountPointURL()));
    EXPECT_TRUE(QFileInfo::exists(trash + "/files/Relatório.pdf.2"));
    EXPECT_TRUE(QFileInfo::exists(trash + "/info/Relatório.pdf.2.trashinfo"));
}

TEST(VaultContentTrash, refusesAnythingButTheListedTopLevelEntry)
{
    QTemporaryDir volume;
    const QString root = volume.path();
    const QUrl mountPoint = QUrl::fromLocalFile(root);
    SampleFileTree::writeFile(root + "/Pasta/dentro.txt", "x");
    SampleFileTree::writeFile(root + "/recriado.txt", "old");
    SampleFileTree::writeFile(root + "/apagado.txt", "x");
    SampleFileTree::writeFile(root + "/.Trashes", "x");
    VaultContentService service;
    const QList<VaultContentItem> items = waitForTask(service.listTopLevelItems(mountPoint));
    const auto trash = [&](const VaultContentItem& item) { waitForTask(service.trashItem(item, mountPoint)); };

    // An item below the top level, or named like an internal item, even with a true identity.
    VaultContentItem nested = itemNamed(items, "Pasta");
    nested.url = QUrl::fromLocalFile(root + "/Pasta/dentro.txt");
    EXPECT_EQ(vaultErrorOf([&] { trash(nested); }), VaultError::Kind::itemChanged);
    struct stat status {};
    ::lstat(QFile::encodeName(root + "/.Trashes").constData(), &status);
    const VaultContentItem internal(QUrl::fromLocalFile(root + "/.Trashes"), false, false, 1, std::nullopt,
                                    VaultFileIdentity::of(status));
    EXPECT_EQ(vaultErrorOf([&] { trash(internal); }), VaultError::Kind::itemChanged);

    // Replaced under the same name (a new inode), or gone.
    const VaultContentItem recreated = itemNamed(items, "recriado.txt");
    const QString keepAlive = root + "/old inode";
    ASSERT_TRUE(QFile::rename(root + "/recriado.txt", keepAlive)); // keeps the inode number taken
    SampleFileTree::writeFile(root + "/recriado.txt", "new");
    EXPECT_EQ(vaultErrorOf([&] { trash(recreated); }), VaultError::Kind::itemChanged);
    const VaultContentItem deleted = itemNamed(items, "apagado.txt");
    ASSERT_TRUE(QFile::remove(root + "/apagado.txt"));
    try {
        trash(deleted);
        ADD_FAILURE() << "trashed a deleted item";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
    }

    // Nothing was moved anywhere.
    EXPECT_TRUE(QFileInfo::exists(root + "/Pasta/dentro.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/recriado.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/.Trashes"));
    EXPECT_FALSE(QFileInfo::exists(root + u'/' + VolumeTrash::directoryName() + "/files"));
}
