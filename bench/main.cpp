// kovara-bench: how fast Kovara unlocks, locks and imports, and whether its window keeps
// answering meanwhile, on real gocryptfs volumes. Each scenario is timed against a baseline in
// the same run, the two alternating round by round so that a slow moment of the shared machine
// does not favour either; the run ends with one "RATIO <scenario> <value>" line per scenario,
// where a value above 1 is better than the baseline.
#include "BenchFolder.h"
#include "Comparison.h"
#include "InterruptCleanup.h"
#include "SourceTrees.h"
#include "VaultBench.h"

#include <QCoreApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

constexpr int importRounds = 5;
constexpr int unlockRounds = 7;
// The longest pause of the event loop a user does not notice as a stutter.
constexpr double smoothFrameSeconds = 0.050;
// What an import may add to the program's memory, whatever its size.
constexpr double importMemoryAllowance = 64.0 * 1024 * 1024;

// One timed step as one Google Benchmark entry of one iteration, its time also kept for the ratio.
void registerStep(const QString& name, std::function<double()> step, std::function<void(double)> keep)
{
    benchmark::RegisterBenchmark(name.toUtf8().constData(),
                                 [step = std::move(step), keep = std::move(keep)](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const double seconds = step();
                                         state.SetIterationTime(seconds);
                                         keep(seconds);
                                     }
                                 })
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

// One round's step of one side of `comparison`.
void registerTimed(Comparison& comparison, Comparison::Side side, int round, std::function<double()> step)
{
    const char* sideName = side == Comparison::Side::kovara ? "kovara" : "baseline";
    registerStep(QStringLiteral("%1/%2/round:%3").arg(comparison.name(), QLatin1String(sideName)).arg(round),
                 std::move(step), [&comparison, side](double seconds) { comparison.add(side, seconds); });
}

// Rounds of both sides, the baseline going first in every other round.
void registerRounds(int rounds, const std::function<void(Comparison::Side, int round)>& registerSide)
{
    for (int round = 1; round <= rounds; ++round) {
        const Comparison::Side first = round % 2 == 1 ? Comparison::Side::kovara : Comparison::Side::baseline;
        registerSide(first, round);
        registerSide(first == Comparison::Side::kovara ? Comparison::Side::baseline : Comparison::Side::kovara, round);
    }
}

void printRatio(const char* scenario, double value)
{
    std::printf("RATIO %s %.2f\n", scenario, value);
}

} // namespace

int main(int argc, char** argv)
{
    // Before any thread exists, so that all of them leave interruptions to the clean-up.
    BenchFolder folder;
    InterruptCleanup cleanup([&folder] { folder.tearDown(); });
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!folder.isValid()) {
        std::fprintf(stderr, "kovara-bench: cannot create a temporary folder\n");
        return 1;
    }

    try {
        const QString large = folder.filePath(QStringLiteral("origem/Vídeos"));
        const QString small = folder.filePath(QStringLiteral("origem/Fotos"));
        const qint64 largeBytes = SourceTrees::writeLargeFiles(large);
        const qint64 smallBytes = SourceTrees::writeSmallFiles(small);
        std::printf("Sources: %.0f MiB of large files, %.0f MiB of small files.\n", double(largeBytes) / (1 << 20),
                    double(smallBytes) / (1 << 20));
        std::fflush(stdout);
        VaultBench bench(folder);
        bench.createVault();

        Comparison importLarge(QStringLiteral("import-large"));
        Comparison importSmall(QStringLiteral("import-small"));
        Comparison unlock(QStringLiteral("unlock"));
        Comparison lock(QStringLiteral("lock"));
        VaultBench::ImportObservation throughStore;
        int copies = 0;

        // First, while the program's memory is what a freshly started app has.
        QList<QUrl> largeFiles;
        for (const QString& name : QDir(large).entryList(QDir::Files, QDir::Name)) {
            largeFiles.append(QUrl::fromLocalFile(large + QLatin1Char('/') + name));
        }
        registerStep(
            QStringLiteral("import-through-store/1GiB"),
            [&] {
                throughStore = bench.importThroughStore(largeFiles);
                return throughStore.seconds;
            },
            [](double) {});
        // Each copy goes to a new place in the vault.
        for (const auto& scenario : {std::pair{&importLarge, large}, std::pair{&importSmall, small}}) {
            registerRounds(importRounds, [&, comparison = scenario.first,
                                          source = scenario.second](Comparison::Side side, int round) {
                registerTimed(*comparison, side, round, [&bench, &copies, side, source] {
                    const QString name = QString::number(++copies);
                    return side == Comparison::Side::kovara ? bench.copyWithEngine(source, name)
                                                            : bench.copyWithCp(source, name);
                });
            });
        }
        // Each side unlocks the locked vault, then locks it again.
        registerStep(
            QStringLiteral("lock-before-unlocking"), [&] { return bench.lockThroughStore(); }, [](double) {});
        registerRounds(unlockRounds, [&](Comparison::Side side, int round) {
            const bool kovara = side == Comparison::Side::kovara;
            registerTimed(unlock, side, round, [&bench, kovara] {
                return kovara ? bench.unlockThroughStore() : bench.mountByHandAndList();
            });
            registerTimed(lock, side, round,
                          [&bench, kovara] { return kovara ? bench.lockThroughStore() : bench.unmountByHand(); });
        });
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        std::printf("\n");
        for (const Comparison* comparison : {&importLarge, &importSmall, &unlock, &lock}) {
            comparison->printMedians();
        }
        std::printf("import through the store: %.3f s, longest event-loop gap %.1f ms, peak memory growth %.1f MiB\n",
                    throughStore.seconds, throughStore.longestEventLoopGapSeconds * 1000,
                    double(throughStore.peakResidentGrowthBytes) / (1 << 20));
        const double longestGap = throughStore.longestEventLoopGapSeconds;
        // Growth below one page counts as one page, so that no growth gives a finite value.
        const qint64 growth = std::max<qint64>(throughStore.peakResidentGrowthBytes, 4096);
        printRatio("import-large", importLarge.ratio());
        printRatio("import-small", importSmall.ratio());
        printRatio("unlock", unlock.ratio());
        printRatio("lock", lock.ratio());
        printRatio("event-loop", longestGap > 0 ? smoothFrameSeconds / longestGap : 0);
        printRatio("import-memory",
                   throughStore.peakResidentGrowthBytes >= 0 ? importMemoryAllowance / double(growth) : 0);
        // Before the bench folder's removal, which takes a while.
        std::fflush(stdout);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kovara-bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
