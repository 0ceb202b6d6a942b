#include "content/CopyByteProgressAccumulator.h"
#include "content/FileTreeCopier.h"
#include "content/VaultFileCopyEngine.h"
#include "model/CancellationError.h"
#include "model/ErrorMessage.h"
#include "platform/LatestValueSlot.h"
#include "support/QtValuePrinters.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "support/WaitForTask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

using namespace TestFiles;

namespace {

// Copies `source` into `destination` with the engine, returning the bytes copied and keeping
// every progress value seen.
qint64 copyWithEngine(VaultFileCopyEngine& engine, const QString& source, const QString& destination,
                      QList<qint64>& progress)
{
    const VaultFileCopyPlan plan = waitForTask(engine.preflight(QUrl::fromLocalFile(source), {}));
    return waitForTask(engine.copyItem(plan, QUrl::fromLocalFile(destination),
                                       [&progress](qint64 total) { progress.append(total); }, {}));
}

} // namespace

TEST(LatestValueSlot, aSlowReceiverSeesOnlyTheNewestValueAndNothingAfterClosing)
{
    QList<int> received;
    LatestValueSlot<int> slot([&received](int value) { received.append(value); });
    const auto publish = slot.publisher();

    // The receiving thread is busy (not running its event loop) while the worker publishes.
    std::thread worker([publish] {
        for (int value = 1; value <= 1000; ++value) {
            publish(value);
        }
    });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(received, QList<int>({1000}));

    publish(1001);
    slot.flush();                      // delivered at once, not through the event loop
    QCoreApplication::processEvents(); // the queued delivery finds nothing new
    EXPECT_EQ(received, QList<int>({1000, 1001}));

    publish(1002);
    slot.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(received, QList<int>({1000, 1001}));
}

TEST(CopyByteProgressAccumulator, countsEachFilesBytesOnceAndSaturatesInsteadOfWrapping)
{
    QList<qint64> reports;
    CopyByteProgressAccumulator accumulator([&reports](qint64 total) { reports.append(total); });
    // Nothing for a new file, smaller and repeated counts, and a negative one add nothing.
    const std::pair<const char*, qint64> updates[] = {{"/a", 0},  {"/a", 1000}, {"/a", 800}, {"/a", 1000},
                                                      {"/b", -5}, {"/b", 300},  {"/a", 1500}};
    for (const auto& [file, bytes] : updates) {
        accumulator.update(QString::fromLatin1(file), bytes);
    }
    EXPECT_EQ(reports, QList<qint64>({1000, 1300, 1800}));

    accumulator.update("/huge", std::numeric_limits<qint64>::max());
    EXPECT_EQ(accumulator.completedBytes(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(reports.last(), std::numeric_limits<qint64>::max());
}

TEST(VaultFileCopyEngine, measuresOnlyRegularFileDataWithoutFollowingLinks)
{
    QTemporaryDir folder;
    const QString root = folder.path();
    VaultFileCopyEngine engine;
    const auto measure = [&engine](const QString& path) {
        return waitForTask(engine.preflight(QUrl::fromLocalFile(path), {})).dataBytes;
    };
    QDir().mkpath(root + "/only folders/a/b");
    ::symlink("/usr", QFile::encodeName(root + "/only folders/a/usr").constData());
    EXPECT_EQ(measure(root + "/only folders"), 0);
    const qint64 treeBytes = createSampleTree(root + "/tree", 100'000);
    EXPECT_EQ(measure(root + "/tree"), treeBytes);
    ::symlink("tree", QFile::encodeName(root + "/link to tree").constData());
    EXPECT_EQ(measure(root + "/link to tree"), 0);

    // The plan names the item standardized.
    EXPECT_EQ(waitForTask(engine.preflight(QUrl::fromLocalFile(root + "/tree/./Notas/../large.bin"), {})).sourceURL,
              QUrl::fromLocalFile(root + "/tree/large.bin"));
    try {
        measure(root + "/missing");
        ADD_FAILURE() << "a missing item was measured";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
    }
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(waitForTask(engine.preflight(QUrl::fromLocalFile(root + "/tree"), stop.get_token())),
                 CancellationError);

    // A sum past the signed 64-bit range is an overflow error naming the folder (tmpfs holds
    // sparse files of any size up to the largest offset).
    QTemporaryDir huge(QStringLiteral("/dev/shm/kovara-overflow-XXXXXX"));
    for (const char* name : {"/one", "/two"}) {
        QFile file(huge.path() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(::ftruncate(file.handle(), qint64(1) << 62), 0);
    }
    try {
        measure(huge.path());
        ADD_FAILURE() << "no overflow reported";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EOVERFLOW);
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(huge.path())) << error.what();
    }
}

// A folder chosen inside one the user may enter but not list is copied, up to a file they cannot
// read, which is named from where they chose the folder. As root, the copy runs on a thread checked
// as "nobody" (setfsuid acts on one thread), since root reads anything.
TEST(FileTreeCopier, aFolderInOneThatCanOnlyBeEnteredIsCopiedAndAnUnreadableFileInItIsNamed)
{
    QTemporaryDir folder;
    const QString sources = folder.path() + "/Documentos";
    writeFile(sources + "/Fotos/2019/x.jpg", "x");
    QDir().mkpath(folder.path() + "/cofre");
    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    ::chmod(QFile::encodeName(folder.path() + "/cofre").constData(), 0777);
    ::chmod(QFile::encodeName(sources + "/Fotos/2019/x.jpg").constData(), 0);
    ::chmod(QFile::encodeName(sources).constData(), 0111);
    std::exception_ptr failure;
    std::thread([&] {
        ::setfsuid(::geteuid() == 0 ? 65534 : ::geteuid());
        CopyByteProgressAccumulator progress([](qint64) {});
        try {
            FileTreeCopier(progress, {}).copy(sources + "/Fotos", folder.path() + "/cofre/Fotos");
        } catch (...) {
            failure = std::current_exception();
        }
        ::setfsuid(::geteuid());
    }).join();
    ::chmod(QFile::encodeName(sources).constData(), 0755);
    EXPECT_EQ(failure ? userMessage(failure, sources) : "copied", "Fotos/2019/x.jpg: Permissão negada");
}

// Whole trees are copied into encrypted volumes by the import tests; these are the items only
// the engine sees alone, and a copy within one file system (where copy_file_range works).
TEST(VaultFileCopyEngine, copiesASingleFileALinkAndASparseFile)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString source = volume.scratchFolder();
    VaultFileCopyEngine engine;
    QList<qint64> progress;
    writeFile(source + "/large.bin", patternedBytes(5 * 1024 * 1024 + 3));
    ::chmod(QFile::encodeName(source + "/large.bin").constData(), 0751);
    setTimes(source + "/large.bin", 1'200'000'000, 1'300'000'000, 42);
    EXPECT_EQ(copyWithEngine(engine, source + "/large.bin", source + "/large copy", progress), 5 * 1024 * 1024 + 3);
    EXPECT_EQ(snapshot(source + "/large copy"), snapshot(source + "/large.bin"));
    EXPECT_EQ(progress.last(), 5 * 1024 * 1024 + 3);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    progress.clear();
    ::symlink("Notas", QFile::encodeName(source + "/atalho para pasta").constData());
    EXPECT_EQ(copyWithEngine(engine, source + "/atalho para pasta", volume.mountPoint() + "/link copy", progress), 0);
    EXPECT_EQ(QFile::symLinkTarget(volume.mountPoint() + "/link copy"), volume.mountPoint() + "/Notas");
    EXPECT_TRUE(progress.isEmpty());

    // A file that is mostly holes stays mostly holes: a hole, some data, a hole to the end.
    QFile sparse(source + "/disco.img");
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.seek(16 << 20));
    sparse.write(patternedBytes(100'000));
    ASSERT_TRUE(sparse.resize(40 << 20));
    sparse.close();
    EXPECT_EQ(copyWithEngine(engine, sparse.fileName(), volume.mountPoint() + "/disco.img", progress), 40 << 20);
    EXPECT_EQ(snapshot(volume.mountPoint() + "/disco.img"), snapshot(sparse.fileName()));
    struct stat copied = {};
    ASSERT_EQ(::stat(QFile::encodeName(volume.mountPoint() + "/disco.img").constData(), &copied), 0);
    EXPECT_LT(copied.st_blocks * 512, 1 << 20);
}

TEST(VaultFileCopyEngine, cancellingStopsBetweenChunksAndLeavesTheSourceAlone)
{
    // Into an encrypted volume, where a chunk takes long enough that the cancellation requested at
    // the first progress report reaches the copy well before its end.
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    const QString source = volume.scratchFolder() + "/big.bin";
    const QString target = volume.mountPoint();
    writeFile(source, patternedBytes(32 * 1024 * 1024));
    const QStringList before = snapshot(source);
    VaultFileCopyEngine engine;
    const VaultFileCopyPlan plan = waitForTask(engine.preflight(QUrl::fromLocalFile(source), {}));

    // Already cancelled: nothing is created.
    std::stop_source cancelledEarly;
    cancelledEarly.request_stop();
    EXPECT_THROW(waitForTask(engine.copyItem(
                     plan, QUrl::fromLocalFile(target + "/never"), [](qint64) {}, cancelledEarly.get_token())),
                 CancellationError);
    EXPECT_FALSE(QFileInfo::exists(target + "/never"));

    // Cancelled at the first progress report: the copy ends partial.
    std::stop_source stop;
    QList<qint64> progress;
    const auto cancelAtOnce = [&](qint64 total) {
        progress.append(total);
        stop.request_stop();
    };
    EXPECT_THROW(
        waitForTask(engine.copyItem(plan, QUrl::fromLocalFile(target + "/partial"), cancelAtOnce, stop.get_token())),
        CancellationError);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_LT(QFileInfo(target + "/partial").size(), plan.dataBytes);
    EXPECT_EQ(snapshot(source), before);
}
