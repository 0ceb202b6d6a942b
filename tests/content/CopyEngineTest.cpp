#include "content/CopyByteProgressAccumulator.h"
#include "content/VaultFileCopyEngine.h"
#include "model/CancellationError.h"
#include "platform/LatestValueSlot.h"
#include "support/FileTreeSnapshot.h"
#include "support/GocryptfsTestMount.h"
#include "support/SampleFileTree.h"
#include "support/WaitForTask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// Copies `source` into `destination` with the engine, returning the bytes copied and keeping
// every progress value seen.
qint64 copyWithEngine(VaultFileCopyEngine& engine, const QString& source, const QString& destination,
                      QList<qint64>& progress, std::stop_token cancellation = {})
{
    const VaultFileCopyPlan plan = waitForTask(engine.preflight(QUrl::fromLocalFile(source), cancellation));
    return waitForTask(engine.copyItem(plan, QUrl::fromLocalFile(destination),
                                          [&progress](qint64 total) { progress.append(total); }, cancellation));
}

std::errc errorCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::system_error& error) {
        return std::errc(error.code().value());
    }
    return std::errc();
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
    slot.flush(); // delivered at once, not through the event loop
    EXPECT_EQ(received, QList<int>({1000, 1001}));
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

    accumulator.update(QStringLiteral("/a"), 0);  // nothing yet for a new file: no report
    accumulator.update(QStringLiteral("/a"), 1000);
    accumulator.update(QStringLiteral("/a"), 800); // smaller: adds nothing
    accumulator.update(QStringLiteral("/a"), 1000); // repeated: adds nothing
    accumulator.update(QStringLiteral("/b"), -5);
    accumulator.update(QStringLiteral("/b"), 300);
    accumulator.update(QStringLiteral("/a"), 1500);
    EXPECT_EQ(reports, QList<qint64>({1000, 1300, 1800}));

    accumulator.update(QStringLiteral("/huge"), std::numeric_limits<qint64>::max());
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

    SampleFileTree::writeFile(root + "/empty", {});
    EXPECT_EQ(measure(root + "/empty"), 0);

    QDir().mkpath(root + "/only folders/a/b");
    ::symlink("/usr", QFile::encodeName(root + "/only folders/a/usr").constData());
    EXPECT_EQ(measure(root + "/only folders"), 0);

    const qint64 treeBytes = SampleFileTree::create(root + "/tree", 100'000);
    EXPECT_EQ(measure(root + "/tree"), treeBytes);
    ::symlink("tree", QFile::encodeName(root + "/link to tree").constData());
    EXPECT_EQ(measure(root + "/link to tree"), 0);

    // The plan names the item standardized.
    const VaultFileCopyPlan plan =
        waitForTask(engine.preflight(QUrl::fromLocalFile(root + "/tree/./Notas/../large.bin"), {}));
    EXPECT_EQ(plan.sourceURL, QUrl::fromLocalFile(root + "/tree/large.bin"));

    EXPECT_EQ(errorCodeOf([&] { measure(root + "/missing"); }), std::errc::no_such_file_or_directory);

    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(waitForTask(engine.preflight(QUrl::fromLocalFile(root + "/tree"), stop.get_token())),
                 CancellationError);
}

TEST(VaultFileCopyEngine, aSumPastTheSigned64BitRangeIsAnOverflowErrorNamingTheFile)
{
    // tmpfs holds sparse files of any size up to the largest offset.
    QTemporaryDir folder(QStringLiteral("/dev/shm/kovara-overflow-XXXXXX"));
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"/one", "/two"}) {
        QFile file(folder.path() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(::ftruncate(file.handle(), qint64(1) << 62), 0);
    }
    VaultFileCopyEngine engine;
    try {
        waitForTask(engine.preflight(QUrl::fromLocalFile(folder.path()), {}));
        FAIL() << "no overflow reported";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EOVERFLOW);
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(folder.path())) << error.what();
    }
}

// Copies the sample tree made at `source` to `destination` and checks that the copy has the same
// data and metadata, the source is untouched, and progress rose to the tree's size.
static void expectFaithfulCopyOfSampleTree(VaultFileCopyEngine& engine, const QString& source, const QString& destination)
{
    const qint64 treeBytes = SampleFileTree::create(source);
    const FileTreeSnapshot before = FileTreeSnapshot::of(source);

    QList<qint64> progress;
    EXPECT_EQ(copyWithEngine(engine, source, destination, progress), treeBytes);

    const FileTreeSnapshot copy = FileTreeSnapshot::of(destination);
    EXPECT_EQ(copy, before) << copy.differencesFrom(before).toStdString();
    const FileTreeSnapshot after = FileTreeSnapshot::of(source);
    EXPECT_EQ(after, before) << after.differencesFrom(before).toStdString();
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), treeBytes);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

TEST(VaultFileCopyEngine, copiesDataModesTimesAttributesAndLinksWithoutTouchingTheSource)
{
    QTemporaryDir folder;
    const QString source = folder.path() + "/Origem";
    VaultFileCopyEngine engine;
    expectFaithfulCopyOfSampleTree(engine, source, folder.path() + "/Cópia");

    // A single file and a single link are items too.
    QList<qint64> progress;
    EXPECT_EQ(copyWithEngine(engine, source + "/large.bin", folder.path() + "/large copy", progress),
              QFileInfo(source + "/large.bin").size());
    EXPECT_EQ(QFileInfo(folder.path() + "/large copy").permissions(), QFileInfo(source + "/large.bin").permissions());
    progress.clear();
    EXPECT_EQ(copyWithEngine(engine, source + "/atalho para pasta", folder.path() + "/link copy", progress), 0);
    char target[64] = {};
    ASSERT_EQ(::readlink(QFile::encodeName(folder.path() + "/link copy").constData(), target, sizeof target - 1), 5);
    EXPECT_STREQ(target, "Notas");
    EXPECT_TRUE(progress.isEmpty());
}

TEST(VaultFileCopyEngine, copiesFaithfullyIntoAnEncryptedVolume)
{
    GocryptfsTestMount volume;
    ASSERT_TRUE(volume.isMounted());
    VaultFileCopyEngine engine;
    expectFaithfulCopyOfSampleTree(engine, volume.scratchFolder() + "/Origem", volume.mountPoint() + "/Origem");

    // A file that is mostly holes stays mostly holes: a hole, some data, a hole to the end.
    const QString sparse = volume.scratchFolder() + "/disco.img";
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.seek(16 << 20));
        file.write(SampleFileTree::patternedBytes(100'000));
        ASSERT_TRUE(file.resize(40 << 20));
    }
    const FileTreeSnapshot before = FileTreeSnapshot::of(sparse);
    QList<qint64> progress;
    EXPECT_EQ(copyWithEngine(engine, sparse, volume.mountPoint() + "/disco.img", progress), 40 << 20);
    EXPECT_EQ(progress.last(), 40 << 20);
    EXPECT_EQ(FileTreeSnapshot::of(volume.mountPoint() + "/disco.img"), before);
    struct stat copied {};
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
    SampleFileTree::writeFile(source, SampleFileTree::patternedBytes(32 * 1024 * 1024));
    const FileTreeSnapshot before = FileTreeSnapshot::of(source);
    VaultFileCopyEngine engine;
    const VaultFileCopyPlan plan = waitForTask(engine.preflight(QUrl::fromLocalFile(source), {}));

    // Already cancelled: nothing is created.
    std::stop_source cancelledEarly;
    cancelledEarly.request_stop();
    EXPECT_THROW(waitForTask(engine.copyItem(plan, QUrl::fromLocalFile(target + "/never"), [](qint64) {},
                                                cancelledEarly.get_token())),
                 CancellationError);
    EXPECT_FALSE(QFileInfo::exists(target + "/never"));

    // Cancelled at the first progress report: the copy ends partial.
    std::stop_source stop;
    QList<qint64> progress;
    EXPECT_THROW(waitForTask(engine.copyItem(plan, QUrl::fromLocalFile(target + "/partial"),
                                                [&](qint64 total) {
                                                    progress.append(total);
                                                    stop.request_stop();
                                                },
                                                stop.get_token())),
                 CancellationError);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_LT(QFileInfo(target + "/partial").size(), plan.dataBytes);
    EXPECT_EQ(FileTreeSnapshot::of(source), before);
}
