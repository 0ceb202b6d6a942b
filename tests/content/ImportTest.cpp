#include "content/InternalVolumeItems.h"
#include "content/VaultContentService.h"
#include "model/CancellationError.h"
#include "model/VaultError.h"
#include "support/FileTreeSnapshot.h"
#include "support/GocryptfsTestMount.h"
#include "support/SampleFileTree.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>

namespace {

using Phase = VaultCopyPhase;

QUrl fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList stagedEntries(const QString& root)
{
    return entriesOf(root + u'/' + InternalVolumeItems::stagingFolderName);
}

// An import with every progress report kept.
struct Import
{
    VaultContentService& service;
    QList<VaultCopyProgress> reports;

    QList<QUrl> run(const QList<QUrl>& sources, const QString& root, std::stop_token cancellation = {})
    {
        return waitForTask(service.addItems(
            sources, fileUrl(root), [this](VaultCopyProgress progress) { reports.append(progress); }, cancellation));
    }
};

std::exception_ptr failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// Three sources in `scratch`: a small file, a folder tree (its large file of `largeFileBytes`)
// and another small file.
QList<QUrl> createThreeSources(const QString& scratch, qint64 largeFileBytes)
{
    SampleFileTree::writeFile(scratch + "/um.txt", "primeiro");
    SampleFileTree::create(scratch + "/dois", largeFileBytes);
    SampleFileTree::writeFile(scratch + "/três.txt", "terceiro");
    return {fileUrl(scratch + "/um.txt"), fileUrl(scratch + "/dois"), fileUrl(scratch + "/três.txt")};
}

// After an import of createThreeSources() that ended while copying "dois": the first item is in
// the vault under its name, nothing else is, and the staging folder holds nothing.
void expectOnlyTheFirstItemCommitted(const QString& root)
{
    EXPECT_EQ(entriesOf(root), QStringList({InternalVolumeItems::stagingFolderName, "um.txt"}));
    EXPECT_TRUE(stagedEntries(root).isEmpty());
}

QString vaultErrorText(const std::exception_ptr& failure)
{
    try {
        if (failure) {
            std::rethrow_exception(failure);
        }
    } catch (const VaultError& error) {
        return error.errorDescription();
    } catch (const std::exception& error) {
        return QStringLiteral("not a VaultError: ") + QString::fromUtf8(error.what());
    }
    return QStringLiteral("no failure");
}

} // namespace

TEST(VaultImport, copiesFaithfullyThroughStagingWithOrderedProgressAndLeavesSourcesUntouched)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString sources = volume.scratchFolder();
    const qint64 treeBytes = SampleFileTree::create(sources + "/Projeto");
    SampleFileTree::writeFile(sources + "/Leia-me.txt", "leia");
    ::setxattr(QFile::encodeName(sources + "/Leia-me.txt").constData(), "user.origem", "fonte", 5, 0);
    SampleFileTree::setTimes(sources + "/Leia-me.txt", 1'200'000'000, 1'300'000'000, 42);
    const FileTreeSnapshot before = FileTreeSnapshot::of(sources);
    VaultContentService service;
    Import import{service, {}};

    const QList<QUrl> destinations =
        import.run({fileUrl(sources + "/Projeto"), fileUrl(sources + "/./Leia-me.txt")}, volume.mountPoint());

    const QString root = volume.mountPoint();
    EXPECT_EQ(destinations, QList<QUrl>({fileUrl(root + "/Projeto"), fileUrl(root + "/Leia-me.txt")}));
    const FileTreeSnapshot copiedTree = FileTreeSnapshot::of(root + "/Projeto");
    EXPECT_EQ(copiedTree, FileTreeSnapshot::of(sources + "/Projeto")) << copiedTree.differencesFrom(before).toStdString();
    EXPECT_EQ(FileTreeSnapshot::of(root + "/Leia-me.txt"), FileTreeSnapshot::of(sources + "/Leia-me.txt"));
    EXPECT_EQ(FileTreeSnapshot::of(sources), before) << FileTreeSnapshot::of(sources).differencesFrom(before).toStdString();
    EXPECT_TRUE(stagedEntries(root).isEmpty());
    EXPECT_EQ(QFileInfo(root + u'/' + InternalVolumeItems::stagingFolderName).permissions() & 0x0077, 0);

    // preparing (size unknown), preparing (total), copying…, committing per item, completed.
    const qint64 total = treeBytes + 4;
    ASSERT_GE(import.reports.size(), 7);
    EXPECT_EQ(import.reports.at(0), (VaultCopyProgress{0, std::nullopt, std::nullopt, 0, 2, Phase::preparing}));
    EXPECT_EQ(import.reports.at(1), (VaultCopyProgress{0, total, std::nullopt, 0, 2, Phase::preparing}));
    EXPECT_EQ(import.reports.at(2), (VaultCopyProgress{0, total, QStringLiteral("Projeto"), 0, 2, Phase::copying}));
    EXPECT_TRUE(import.reports.contains(
        VaultCopyProgress{treeBytes, total, QStringLiteral("Projeto"), 0, 2, Phase::committing}));
    EXPECT_TRUE(import.reports.contains(
        VaultCopyProgress{treeBytes, total, QStringLiteral("Leia-me.txt"), 1, 2, Phase::copying}));
    EXPECT_TRUE(
        import.reports.contains(VaultCopyProgress{total, total, QStringLiteral("Leia-me.txt"), 1, 2, Phase::committing}));
    EXPECT_EQ(import.reports.last(), (VaultCopyProgress{total, total, std::nullopt, 2, 2, Phase::completed}));
    for (qsizetype index = 1; index < import.reports.size(); ++index) {
        EXPECT_LE(import.reports.at(index - 1).completedBytes, import.reports.at(index).completedBytes);
        EXPECT_NE(import.reports.at(index - 1).phase, Phase::completed);
    }

    // An empty call still reports its phases.
    Import empty{service, {}};
    EXPECT_TRUE(empty.run({}, root).isEmpty());
    EXPECT_EQ(empty.reports, QList<VaultCopyProgress>({{0, std::nullopt, std::nullopt, 0, 0, Phase::preparing},
                                                       {0, 0, std::nullopt, 0, 0, Phase::preparing},
                                                       {0, 0, std::nullopt, 0, 0, Phase::completed}}));
}

TEST(VaultImport, neverReplacesAnEntryAndNumbersNamesTheFinderWay)
{
    QTemporaryDir vault;
    QTemporaryDir elsewhere;
    const QString root = vault.path();
    const QString from = elsewhere.path();
    for (const char* existing : {"Report.pdf", "Report 2.pdf", "archive.tar.gz", ".hidden", "Fotos/old.jpg"}) {
        SampleFileTree::writeFile(root + "/" + existing, "cofre");
    }
    ::symlink("/nonexistent", QFile::encodeName(root + "/Nota").constData()); // a dangling link takes its name
    for (const char* source : {"Report.pdf", "archive.tar.gz", ".hidden", "Nota", "a/Fotos/1.jpg", "b/Fotos/2.jpg"}) {
        SampleFileTree::writeFile(from + "/" + source, "novo");
    }
    VaultContentService service;
    Import import{service, {}};

    const QList<QUrl> destinations =
        import.run({fileUrl(from + "/Report.pdf"), fileUrl(from + "/archive.tar.gz"), fileUrl(from + "/.hidden"),
                    fileUrl(from + "/Nota"), fileUrl(from + "/a/Fotos"), fileUrl(from + "/b/Fotos")},
                   root);

    EXPECT_EQ(destinations, QList<QUrl>({fileUrl(root + "/Report 3.pdf"), fileUrl(root + "/archive.tar 2.gz"),
                                         fileUrl(root + "/.hidden 2"), fileUrl(root + "/Nota 2"),
                                         fileUrl(root + "/Fotos 2"), fileUrl(root + "/Fotos 3")}));
    for (const char* untouched : {"Report.pdf", "Report 2.pdf", "archive.tar.gz", ".hidden", "Fotos/old.jpg"}) {
        QFile file(root + "/" + untouched);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "cofre") << untouched;
    }
    EXPECT_TRUE(QFileInfo::exists(root + "/Fotos 3/2.jpg"));
}

TEST(VaultImport, refusesSourcesThatAreInOrHoldTheVaultBeforeCopyingAnything)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString root = volume.mountPoint();
    const QString scratch = volume.scratchFolder();
    SampleFileTree::writeFile(scratch + "/bom.txt", "bom");
    SampleFileTree::writeFile(root + "/no cofre.txt", "já está");
    ::symlink(QFile::encodeName(root + "/no cofre.txt").constData(), QFile::encodeName(scratch + "/atalho").constData());
    ::symlink(QFile::encodeName(scratch).constData(), QFile::encodeName(root + "/para fora").constData());
    const FileTreeSnapshot sourcesBefore = FileTreeSnapshot::of(scratch);
    const QStringList vaultBefore = entriesOf(root);
    VaultContentService service;
    const QString invalidItem = VaultError(VaultError::Kind::invalidItem).errorDescription();

    const QList<QUrl> refused = {
        fileUrl(root),                              // the vault itself
        fileUrl(root + "/"),                        // the vault, written differently
        fileUrl(root + "/no cofre.txt"),            // an item inside it
        fileUrl(scratch + "/../" + QFileInfo(root).fileName()), // the vault through ".."
        fileUrl(scratch + "/atalho"),               // a link leading into the vault
        fileUrl(root + "/para fora"),               // an entry of the vault leading out of it
        fileUrl(QFileInfo(root).path()),            // a folder holding the vault
        fileUrl("/"),
        QUrl("https://example.com/bom.txt"),
    };
    for (const QUrl& source : refused) {
        Import import{service, {}};
        const std::exception_ptr failure =
            failureOf([&] { import.run({fileUrl(scratch + "/bom.txt"), source}, root); });
        EXPECT_EQ(vaultErrorText(failure), invalidItem) << source.toString().toStdString();
        EXPECT_EQ(import.reports.size(), 1); // only the first "preparing"
    }
    Import missing{service, {}};
    EXPECT_EQ(vaultErrorText(failureOf([&] { missing.run({fileUrl(scratch + "/bom.txt"), fileUrl(scratch + "/nada.txt")}, root); })),
              "O item de origem não foi encontrado: nada.txt.");

    QStringList vaultWithStaging = vaultBefore + QStringList{InternalVolumeItems::stagingFolderName};
    vaultWithStaging.sort();
    EXPECT_EQ(entriesOf(root), vaultWithStaging);
    EXPECT_TRUE(stagedEntries(root).isEmpty());
    EXPECT_EQ(FileTreeSnapshot::of(scratch), sourcesBefore);

    // A staging folder that is not a real folder is refused too.
    QDir(root + u'/' + InternalVolumeItems::stagingFolderName).removeRecursively();
    ::symlink("/tmp", QFile::encodeName(root + u'/' + InternalVolumeItems::stagingFolderName).constData());
    Import staged{service, {}};
    EXPECT_EQ(vaultErrorText(failureOf([&] { staged.run({fileUrl(scratch + "/bom.txt")}, root); })), invalidItem);
}

TEST(VaultImport, cancellingTheSecondOfThreeItemsKeepsTheFirstAndLeavesNoTraceOfTheRest)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString root = volume.mountPoint();
    const QString scratch = volume.scratchFolder();
    const QList<QUrl> sources = createThreeSources(scratch, 32 * 1024 * 1024);
    const FileTreeSnapshot before = FileTreeSnapshot::of(scratch);
    VaultContentService service;

    std::stop_source stop;
    QList<VaultCopyProgress> reports;
    const auto progress = [&](VaultCopyProgress report) {
        reports.append(report);
        if (report.phase == Phase::copying && report.currentItem == QStringLiteral("dois") &&
            report.completedBytes > 8) { // bytes of "dois" itself have arrived
            stop.request_stop();
        }
    };
    EXPECT_THROW(waitForTask(service.addItems(sources, volume.mountPointURL(), progress, stop.get_token())),
                 CancellationError);

    expectOnlyTheFirstItemCommitted(root);
    EXPECT_NE(reports.last().phase, Phase::completed);
    EXPECT_EQ(FileTreeSnapshot::of(scratch), before) << FileTreeSnapshot::of(scratch).differencesFrom(before).toStdString();
}

TEST(VaultImport, aFailureInTheMiddleKeepsCommittedItemsAndRemovesThePartialOne)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString root = volume.mountPoint();
    const QString scratch = volume.scratchFolder();
    const QList<QUrl> sources = createThreeSources(scratch, 1000);
    // An attribute the source's file system holds but the encrypted volume cannot store (its
    // encrypted form is larger): the copy of "dois" fails after part of it was written.
    const QByteArray large(4000, 'v');
    ASSERT_EQ(::setxattr(QFile::encodeName(scratch + "/dois/Notas/Antigas/nota 1.md").constData(), "user.grande",
                         large.constData(), size_t(large.size()), 0),
              0);
    const FileTreeSnapshot before = FileTreeSnapshot::of(scratch);
    VaultContentService service;
    Import import{service, {}};

    const std::exception_ptr failure = failureOf([&] { import.run(sources, root); });
    try {
        std::rethrow_exception(failure);
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOSPC);
    } catch (...) {
        ADD_FAILURE() << "not a POSIX error";
    }
    expectOnlyTheFirstItemCommitted(root);
    EXPECT_EQ(FileTreeSnapshot::of(scratch), before);
}

TEST(VaultImport, preflightMeasuresWhatItCanAndStopsOnlyForCancellation)
{
    QTemporaryDir folder;
    SampleFileTree::writeFile(folder.path() + "/a.txt", "12345");
    const QUrl missing = fileUrl(folder.path() + "/missing");
    VaultContentService service;

    const VaultCopyPreflight preflight =
        waitForTask(service.copyPreflight({fileUrl(folder.path() + "/./a.txt"), missing}, {}));
    EXPECT_EQ(preflight.items, QList<VaultCopyPreflightItem>({{fileUrl(folder.path() + "/./a.txt"), 5}, {missing, std::nullopt}}));
    EXPECT_EQ(preflight.totalBytes(), std::nullopt);
    EXPECT_EQ(waitForTask(service.copyPreflight({fileUrl(folder.path() + "/a.txt")}, {})).totalBytes(), 5);
    EXPECT_EQ(VaultCopyPreflight{}.totalBytes(), 0);
    EXPECT_EQ((VaultCopyPreflight{{{missing, std::numeric_limits<qint64>::max()}, {missing, 1}}}.totalBytes()),
              std::nullopt);

    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(waitForTask(service.copyPreflight({fileUrl(folder.path() + "/a.txt")}, stop.get_token())),
                 CancellationError);
}
