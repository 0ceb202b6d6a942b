#include "content/InternalVolumeItems.h"
#include "content/VaultContentService.h"
#include "model/CancellationError.h"
#include "model/ErrorMessage.h"
#include "support/QtValuePrinters.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>

using namespace TestFiles;

namespace {

using Phase = VaultCopyPhase;

QUrl fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

// An import with every progress report kept; `failure` is what it threw, if anything.
struct Import
{
    QList<VaultCopyProgress> reports;
    std::exception_ptr failure;

    QList<QUrl> run(const QList<QUrl>& sources, const QString& root, std::stop_token cancellation = {},
                    std::function<void(const VaultCopyProgress&)> watch = {})
    {
        VaultContentService service;
        try {
            return waitForTask(service.addItems(
                sources, fileUrl(root),
                [&](VaultCopyProgress progress) {
                    reports.append(progress);
                    if (watch) {
                        watch(progress);
                    }
                },
                cancellation));
        } catch (...) {
            failure = std::current_exception();
        }
        return {};
    }

    // The user's text of the failure; a POSIX error by its number, whose text depends on the system.
    QString failureText() const
    {
        try {
            if (failure) {
                std::rethrow_exception(failure);
            }
        } catch (const std::system_error& error) {
            return QStringLiteral("POSIX %1").arg(error.code().value());
        } catch (...) {
            return userMessage(failure);
        }
        return QStringLiteral("no failure");
    }
};

// Three sources in `scratch`: a small file, a folder tree (its large file of `largeFileBytes`)
// and another small file.
QList<QUrl> createThreeSources(const QString& scratch, qint64 largeFileBytes)
{
    writeFile(scratch + "/um.txt", "primeiro");
    createSampleTree(scratch + "/dois", largeFileBytes);
    writeFile(scratch + "/três.txt", "terceiro");
    return {fileUrl(scratch + "/um.txt"), fileUrl(scratch + "/dois"), fileUrl(scratch + "/três.txt")};
}

} // namespace

TEST(VaultImport, copiesFaithfullyThroughStagingWithOrderedProgressAndLeavesSourcesUntouched)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString sources = volume.scratchFolder();
    const QString root = volume.mountPoint();
    // Two files large enough to be filled at the same time, on two threads.
    const qint64 largeBytes = 9 << 20;
    writeFile(sources + "/Projeto/Notas/Antigas/gravação.m4a", patternedBytes(largeBytes + 1, 'g'));
    const qint64 treeBytes = createSampleTree(sources + "/Projeto", largeBytes) + largeBytes + 1;
    writeFile(sources + "/Leia-me.txt", "leia");
    ::setxattr(QFile::encodeName(sources + "/Leia-me.txt").constData(), "user.origem", "fonte", 5, 0);
    setTimes(sources + "/Leia-me.txt", 1'200'000'000, 1'300'000'000, 42);
    const QStringList before = snapshot(sources);
    Import import;

    EXPECT_EQ(import.run({fileUrl(sources + "/Projeto"), fileUrl(sources + "/./Leia-me.txt")}, root),
              QList<QUrl>({fileUrl(root + "/Projeto"), fileUrl(root + "/Leia-me.txt")}));
    EXPECT_EQ(snapshot(root + "/Projeto"), snapshot(sources + "/Projeto"));
    EXPECT_EQ(snapshot(root + "/Leia-me.txt"), snapshot(sources + "/Leia-me.txt"));
    EXPECT_EQ(snapshot(sources), before);
    EXPECT_TRUE(entriesOf(root + "/" + InternalVolumeItems::stagingFolderName).isEmpty());
    EXPECT_EQ(permissionsOf(root + "/" + InternalVolumeItems::stagingFolderName) & 077, 0);

    // preparing (size unknown), preparing (total), copying…, committing per item, completed.
    const qint64 total = treeBytes + 4;
    const QList<VaultCopyProgress>& reports = import.reports;
    ASSERT_GE(reports.size(), 7);
    EXPECT_EQ(reports.at(0), (VaultCopyProgress{0, std::nullopt, std::nullopt, 0, 2, Phase::preparing}));
    EXPECT_EQ(reports.at(1), (VaultCopyProgress{0, total, std::nullopt, 0, 2, Phase::preparing}));
    EXPECT_EQ(reports.at(2), (VaultCopyProgress{0, total, "Projeto", 0, 2, Phase::copying}));
    EXPECT_TRUE(reports.contains(VaultCopyProgress{treeBytes, total, "Projeto", 0, 2, Phase::committing}));
    EXPECT_TRUE(reports.contains(VaultCopyProgress{treeBytes, total, "Leia-me.txt", 1, 2, Phase::copying}));
    EXPECT_TRUE(reports.contains(VaultCopyProgress{total, total, "Leia-me.txt", 1, 2, Phase::committing}));
    EXPECT_EQ(reports.last(), (VaultCopyProgress{total, total, std::nullopt, 2, 2, Phase::completed}));
    for (qsizetype index = 1; index < reports.size(); ++index) {
        EXPECT_LE(reports.at(index - 1).completedBytes, reports.at(index).completedBytes);
        EXPECT_NE(reports.at(index - 1).phase, Phase::completed);
    }

    // An empty call still reports its phases.
    Import empty;
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
        writeFile(root + "/" + existing, "cofre");
    }
    ::symlink("/nonexistent", QFile::encodeName(root + "/Nota").constData()); // a dangling link takes its name
    for (const char* source : {"Report.pdf", "archive.tar.gz", ".hidden", "Nota", "a/Fotos/1.jpg", "b/Fotos/2.jpg"}) {
        writeFile(from + "/" + source, "novo");
    }
    Import import;
    EXPECT_EQ(
        import.run({fileUrl(from + "/Report.pdf"), fileUrl(from + "/archive.tar.gz"), fileUrl(from + "/.hidden"),
                    fileUrl(from + "/Nota"), fileUrl(from + "/a/Fotos"), fileUrl(from + "/b/Fotos")},
                   root),
        QList<QUrl>({fileUrl(root + "/Report 3.pdf"), fileUrl(root + "/archive.tar 2.gz"), fileUrl(root + "/.hidden 2"),
                     fileUrl(root + "/Nota 2"), fileUrl(root + "/Fotos 2"), fileUrl(root + "/Fotos 3")}));
    for (const char* untouched : {"Report.pdf", "Report 2.pdf", "archive.tar.gz", ".hidden", "Fotos/old.jpg"}) {
        EXPECT_EQ(readAll(root + "/" + untouched), "cofre") << untouched;
    }
    EXPECT_EQ(readAll(root + "/Report 3.pdf"), "novo");
    EXPECT_EQ(readAll(root + "/Fotos 3/2.jpg"), "novo");
}

TEST(VaultImport, refusesSourcesThatAreInOrHoldTheVaultBeforeCopyingAnything)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString root = volume.mountPoint();
    const QString scratch = volume.scratchFolder();
    writeFile(scratch + "/bom.txt", "bom");
    writeFile(root + "/no cofre.txt", "já está");
    ::symlink(QFile::encodeName(root + "/no cofre.txt").constData(),
              QFile::encodeName(scratch + "/atalho").constData());
    ::symlink(QFile::encodeName(scratch).constData(), QFile::encodeName(root + "/para fora").constData());
    const QStringList sourcesBefore = snapshot(scratch);
    const QStringList vaultBefore = entriesOf(root);

    const QList<QUrl> refused = {
        fileUrl(root),                                          // the vault itself
        fileUrl(root + "/"),                                    // the vault, written differently
        fileUrl(root + "/no cofre.txt"),                        // an item inside it
        fileUrl(scratch + "/../" + QFileInfo(root).fileName()), // the vault through ".."
        fileUrl(scratch + "/atalho"),                           // a link leading into the vault
        fileUrl(root + "/para fora"),                           // an entry of the vault leading out of it
        fileUrl(QFileInfo(root).path()),                        // a folder holding the vault
        fileUrl("/"),
        QUrl("https://example.com/bom.txt"),
    };
    for (const QUrl& source : refused) {
        Import import;
        import.run({fileUrl(scratch + "/bom.txt"), source}, root);
        EXPECT_EQ(import.failureText(), "Esse item não pertence à raiz do cofre selecionado.")
            << source.toString().toStdString();
        EXPECT_EQ(import.reports.size(), 1); // only the first "preparing"
    }
    Import missing;
    missing.run({fileUrl(scratch + "/bom.txt"), fileUrl(scratch + "/nada.txt")}, root);
    EXPECT_EQ(missing.failureText(), "O item de origem não foi encontrado: nada.txt.");

    QStringList vaultWithStaging = vaultBefore + QStringList{InternalVolumeItems::stagingFolderName};
    vaultWithStaging.sort();
    EXPECT_EQ(entriesOf(root), vaultWithStaging);
    EXPECT_EQ(snapshot(scratch), sourcesBefore);

    // A staging folder that is not a real folder is refused too.
    QDir(root + "/" + InternalVolumeItems::stagingFolderName).removeRecursively();
    ::symlink("/tmp", QFile::encodeName(root + "/" + InternalVolumeItems::stagingFolderName).constData());
    Import staged;
    staged.run({fileUrl(scratch + "/bom.txt")}, root);
    EXPECT_EQ(staged.failureText(), "Esse item não pertence à raiz do cofre selecionado.");
}

// Cancelled while "dois" is being copied, or failing in the middle of it (an attribute the
// encrypted volume cannot store, since its encrypted form is larger): "um.txt" stays in the
// vault under its name, nothing else is there, the staging folder is empty, the sources are as
// they were.
TEST(VaultImport, anImportEndingInTheMiddleKeepsCommittedItemsAndRemovesThePartialOne)
{
    for (const bool cancelled : {true, false}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "failed");
        GocryptfsTestMount volume;
        ASSERT_TRUE(volume.isMounted());
        const QString root = volume.mountPoint();
        const QString scratch = volume.scratchFolder();
        const QList<QUrl> sources = createThreeSources(scratch, cancelled ? 32 * 1024 * 1024 : 1000);
        const QByteArray large(4000, 'v');
        if (!cancelled) {
            ASSERT_EQ(::setxattr(QFile::encodeName(scratch + "/dois/Notas/Antigas/nota 1.md").constData(),
                                 "user.grande", large.constData(), size_t(large.size()), 0),
                      0);
        }
        const QStringList before = snapshot(scratch);
        std::stop_source stop;
        Import import;
        import.run(sources, root, stop.get_token(), [&](const VaultCopyProgress& report) {
            // Bytes of "dois" itself have arrived.
            if (cancelled && report.phase == Phase::copying && report.currentItem == "dois" && report.completedBytes > 8) {
                stop.request_stop();
    }
});
EXPECT_EQ(import.failureText(), cancelled ? "A operação foi cancelada." : QStringLiteral("POSIX %1").arg(ENOSPC));
EXPECT_NE(import.reports.last().phase, Phase::completed);
EXPECT_EQ(entriesOf(root), QStringList({InternalVolumeItems::stagingFolderName, "um.txt"}));
EXPECT_TRUE(entriesOf(root + "/" + InternalVolumeItems::stagingFolderName).isEmpty());
EXPECT_EQ(snapshot(scratch), before);
}
}

TEST(VaultImport, preflightMeasuresWhatItCanAndStopsOnlyForCancellation)
{
    QTemporaryDir folder;
    writeFile(folder.path() + "/a.txt", "12345");
    const QUrl missing = fileUrl(folder.path() + "/missing");
    VaultContentService service;

    const VaultCopyPreflight preflight =
        waitForTask(service.copyPreflight({fileUrl(folder.path() + "/./a.txt"), missing}, {}));
    EXPECT_EQ(preflight.items,
              QList<VaultCopyPreflightItem>({{fileUrl(folder.path() + "/./a.txt"), 5}, {missing, std::nullopt}}));
    EXPECT_EQ(preflight.totalBytes(), std::nullopt);
    EXPECT_EQ(waitForTask(service.copyPreflight({fileUrl(folder.path() + "/a.txt")}, {})).totalBytes(), 5);
    EXPECT_EQ((VaultCopyPreflight{{{missing, std::numeric_limits<qint64>::max()}, {missing, 1}}}.totalBytes()),
              std::nullopt);

    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(waitForTask(service.copyPreflight({fileUrl(folder.path() + "/a.txt")}, stop.get_token())),
                 CancellationError);
}
