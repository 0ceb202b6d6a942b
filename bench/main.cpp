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

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

constexpr int importRounds = 3;
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

// Rounds of Kovara against the baseline, which goes first in every other round.
void registerRounds(Comparison& comparison, int rounds, const std::function<double()>& kovara,
                    const std::function<double()>& baseline)
{
    for (int round = 1; round <= rounds; ++round) {
        const auto registerKovara = [&] {
            registerStep(QStringLiteral("%1/kovara/round:%2").arg(comparison.name()).arg(round), kovara,
                         [&comparison](double seconds) { comparison.addKovara(seconds); });
        };
        const auto registerBaseline = [&] {
            registerStep(QStringLiteral("%1/baseline/round:%2").arg(comparison.name()).arg(round), baseline,
                         [&comparison](double seconds) { comparison.addBaseline(seconds); });
        };
        if (round % 2 == 1) {
            registerKovara();
            registerBaseline();
        } else {
            registerBaseline();
            registerKovara();
        }
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
        std::printf("Writing the sources: %.0f MiB of large files, ", double(SourceTrees::writeLargeFiles(large)) / (1 << 20));
        std::printf("%.0f MiB of small files.\n", double(SourceTrees::writeSmallFiles(small)) / (1 << 20));
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
        registerStep(QStringLiteral("import-through-store/1GiB"),
                     [&] {
                         throughStore = bench.importThroughStore(largeFiles);
                         return throughStore.seconds;
                     },
                     [](double) {});
        registerRounds(importLarge, importRounds, [&] { return bench.copyWithEngine(large, QString("motor %1").arg(++copies)); },
                       [&] { return bench.copyWithCp(large, QString("cp %1").arg(++copies)); });
        registerRounds(importSmall, importRounds, [&] { return bench.copyWithEngine(small, QString("motor %1").arg(++copies)); },
                       [&] { return bench.copyWithCp(small, QString("cp %1").arg(++copies)); });
        // Each side unlocks the locked vault, then locks it again.
        registerStep(QStringLiteral("lock-before-unlocking"), [&] { return bench.lockThroughStore(); }, [](double) {});
        for (int round = 1; round <= unlockRounds; ++round) {
            const auto kovaraRound = [&] {
                registerStep(QStringLiteral("unlock/kovara/round:%1").arg(round), [&] { return bench.unlockThroughStore(); },
                             [&](double seconds) { unlock.addKovara(seconds); });
                registerStep(QStringLiteral("lock/kovara/round:%1").arg(round), [&] { return bench.lockThroughStore(); },
                             [&](double seconds) { lock.addKovara(seconds); });
            };
            const auto baselineRound = [&] {
                registerStep(QStringLiteral("unlock/baseline/round:%1").arg(round), [&] { return bench.mountByHandAndList(); },
                             [&](double seconds) { unlock.addBaseline(seconds); });
                registerStep(QStringLiteral("lock/baseline/round:%1").arg(round), [&] { return bench.unmountByHand(); },
                             [&](double seconds) { lock.addBaseline(seconds); });
            };
            if (round % 2 == 1) {
                kovaraRound();
                baselineRound();
            } else {
                baselineRound();
                kovaraRound();
            }
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        std::printf("\n");
        for (const Comparison* comparison : {&importLarge, &importSmall, &unlock, &lock}) {
            comparison->printMedians();
        }
        std::printf("import through the store: %.3f s, longest event-loop gap %.1f ms, peak memory growth %.1f MiB\n",
                    throughStore.seconds, throughStore.longestEventLoopGapSeconds * 1000,
                    double(throughStore.peakResidentGrowthBytes) / (1 << 20));
        printRatio("import-large", importLarge.ratio());
        printRatio("import-small", importSmall.ratio());
        printRatio("unlock", unlock.ratio());
        printRatio("lock", lock.ratio());
        printRatio("event-loop",
                   throughStore.longestEventLoopGapSeconds > 0 ? smoothFrameSeconds / throughStore.longestEventLoopGapSeconds : 0);
        // Growth below one page counts as one page, so that no growth gives a finite value.
        printRatio("import-memory", throughStore.peakResidentGrowthBytes >= 0
                                        ? importMemoryAllowance / double(std::max<qint64>(throughStore.peakResidentGrowthBytes, 4096))
                                        : 0);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kovara-bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
