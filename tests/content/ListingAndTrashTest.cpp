#include "content/VaultContentService.h"
#include "model/VaultError.h"
#include "platform/VolumeTrash.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace TestFiles;

namespace {

VaultContentItem itemNamed(const QList<VaultContentItem>& items, const QString& name)
{
    for (const VaultContentItem& item : items) {
        if (item.name == name) {
            return item;
        }
    }
    ADD_FAILURE() << "not listed: " << name.toStdString();
    return {};
}

} // namespace

TEST(VaultContentListing, hidesInternalNamesInAnyCaseAndSortsFoldersFirstInFinderOrder)
{
    QTemporaryDir volume;
    const QString root = volume.path();
    VaultContentService service;
    const auto list = [&] { return waitForTask(service.listTopLevelItems(QUrl::fromLocalFile(root + "/"))); };

    for (const QString& internal :
         {QString(".TRASHES"), QString(".Spotlight-V100"), QString(".documentrevisions-v100"), QString(".fseventsd"),
          QString(".Metadata_Never_Index"), QString(".KOVARA-STAGING"), VolumeTrash::directoryName().toUpper()}) {
        QDir().mkpath(root + u'/' + internal);
    }
    EXPECT_TRUE(list().isEmpty());

    for (const char* file : {"Item 10", "Item 2", "Banana", "apple", ".DS_Store", "Álbum.txt"}) {
        writeFile(root + "/" + file, "x");
    }
    for (const char* folder : {"zeta", "Alfa", "Pages.app/Contents", "Fotos 10", "Fotos 9"}) {
        QDir().mkpath(root + "/" + folder);
    }
    ::symlink("Alfa", QFile::encodeName(root + "/atalho").constData());

    const QList<VaultContentItem> items = list();
    QStringList names;
    for (const VaultContentItem& item : items) {
        names << item.name;
    }
    EXPECT_EQ(names, QStringList({"Alfa", "Fotos 9", "Fotos 10", "zeta", ".DS_Store", "Álbum.txt", "apple", "atalho",
                                  "Banana", "Item 2", "Item 10", "Pages.app"}));
    const VaultContentItem package = itemNamed(items, "Pages.app");
    EXPECT_TRUE(package.isDirectory && package.isPackage);
    EXPECT_FALSE(package.isNavigableFolder());
    EXPECT_FALSE(package.fileSize.has_value());
    EXPECT_TRUE(itemNamed(items, "Alfa").isNavigableFolder());
    const VaultContentItem file = itemNamed(items, "apple");
    EXPECT_EQ(file.fileSize, 1);
    EXPECT_EQ(file.url, QUrl::fromLocalFile(root + "/apple"));
    EXPECT_TRUE(file.modificationDate.has_value());

    // A link is identified as the link itself, never as its target.
    const VaultContentItem link = itemNamed(items, "atalho");
    struct stat linkStatus = {};
    ASSERT_EQ(::lstat(QFile::encodeName(root + "/atalho").constData(), &linkStatus), 0);
    EXPECT_EQ(link.fileSystemIdentity, VaultFileIdentity::of(linkStatus));
    EXPECT_FALSE(link.isDirectory);

    EXPECT_THROW(waitForTask(service.listTopLevelItems(QUrl::fromLocalFile(root + "/missing"))), std::system_error);
}

TEST(VaultContentTrash, aTrashedItemStaysInTheEncryptedVolumeAndCanBeRestored)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString root = volume.mountPoint();
    writeFile(root + "/Relatório.pdf", "conteúdo secreto");
    createSampleTree(root + "/Pasta Fechada", 1000);
    // gocryptfs moves a folder's access time when it is first listed; after that it stays.
    snapshot(root + "/Pasta Fechada");
    const QStringList folderBefore = snapshot(root + "/Pasta Fechada");
    VaultContentService service;

    QList<VaultContentItem> items = waitForTask(service.listTopLevelItems(volume.mountPointURL()));
    waitForTask(service.trashItem(itemNamed(items, "Relatório.pdf"), volume.mountPointURL()));
    waitForTask(service.trashItem(itemNamed(items, "Pasta Fechada"), volume.mountPointURL()));
    EXPECT_TRUE(waitForTask(service.listTopLevelItems(volume.mountPointURL())).isEmpty());

    // The freedesktop layout inside the volume, with a Path relative to the volume so a file
    // manager can restore it wherever the vault is mounted next time.
    const QString trash = root + u'/' + VolumeTrash::directoryName();
    EXPECT_EQ(permissionsOf(trash) & 077, 0);
    QSettings info(trash + "/info/Relatório.pdf.trashinfo", QSettings::IniFormat);
    EXPECT_EQ(info.value("Trash Info/Path").toString(), "Relat%C3%B3rio.pdf");
    EXPECT_TRUE(info.value("Trash Info/DeletionDate").toDateTime().isValid());
    EXPECT_EQ(snapshot(trash + "/files/Pasta Fechada"), folderBefore);

    // Restoring is a rename back; a second item of the same name gets its own slot in the trash.
    ASSERT_TRUE(QFile::rename(trash + "/files/Relatório.pdf", root + "/Relatório.pdf"));
    EXPECT_EQ(readAll(root + "/Relatório.pdf"), "conteúdo secreto");
    items = waitForTask(service.listTopLevelItems(volume.mountPointURL()));
    waitForTask(service.trashItem(itemNamed(items, "Relatório.pdf"), volume.mountPointURL()));
    EXPECT_TRUE(QFileInfo::exists(trash + "/files/Relatório.pdf.2"));
    EXPECT_TRUE(QFileInfo::exists(trash + "/info/Relatório.pdf.2.trashinfo"));
}

TEST(VaultContentTrash, refusesAnythingButTheListedTopLevelEntry)
{
    QTemporaryDir volume;
    const QString root = volume.path();
    const QUrl mountPoint = QUrl::fromLocalFile(root);
    writeFile(root + "/Pasta/dentro.txt", "x");
    writeFile(root + "/recriado.txt", "old");
    writeFile(root + "/apagado.txt", "x");
    writeFile(root + "/.Trashes", "x");
    VaultContentService service;
    const QList<VaultContentItem> items = waitForTask(service.listTopLevelItems(mountPoint));
    const auto failureOf = [&](const VaultContentItem& item) {
        try {
            waitForTask(service.trashItem(item, mountPoint));
        } catch (const VaultError& error) {
            return error.errorDescription();
        } catch (const std::system_error& error) {
            return QStringLiteral("POSIX %1").arg(error.code().value());
        } catch (const std::exception& error) {
            return QString::fromUtf8(error.what());
        }
        return QStringLiteral("trashed");
    };
    const QString changed = "O item mudou desde que foi listado. Atualize o cofre e tente novamente.";

    // An item below the top level, or named like an internal item, even with a true identity.
    VaultContentItem nested = itemNamed(items, "Pasta");
    nested.url = QUrl::fromLocalFile(root + "/Pasta/dentro.txt");
    EXPECT_EQ(failureOf(nested), changed);
    struct stat status = {};
    ::lstat(QFile::encodeName(root + "/.Trashes").constData(), &status);
    EXPECT_EQ(failureOf(VaultContentItem(QUrl::fromLocalFile(root + "/.Trashes"), false, false, 1, std::nullopt,
                                         VaultFileIdentity::of(status))),
              changed);

    // Replaced under the same name (a new inode; the old one kept alive so its number stays
    // taken), or gone.
    ASSERT_TRUE(QFile::rename(root + "/recriado.txt", root + "/old inode"));
    writeFile(root + "/recriado.txt", "new");
    EXPECT_EQ(failureOf(itemNamed(items, "recriado.txt")), changed);
    ASSERT_TRUE(QFile::remove(root + "/apagado.txt"));
    EXPECT_EQ(failureOf(itemNamed(items, "apagado.txt")), QStringLiteral("POSIX %1").arg(ENOENT));

    EXPECT_EQ(entriesOf(root), QStringList({".Trashes", "Pasta", "old inode", "recriado.txt"})) << "nothing was moved";
    EXPECT_TRUE(QFileInfo::exists(root + "/Pasta/dentro.txt"));

    // A volume trash that is not a real folder takes nothing, and says which folder is at fault.
    const QString trash = root + u'/' + VolumeTrash::directoryName();
    writeFile(trash, "");
    EXPECT_EQ(failureOf(itemNamed(items, "Pasta")), "A Lixeira não pode ser usada: “" + trash + "” não é uma pasta.");
    EXPECT_TRUE(QFileInfo::exists(root + "/Pasta/dentro.txt"));
}
