// kovara-bench: how fast Kovara unlocks, locks, imports and lists, and whether its window keeps
// answering meanwhile, on real gocryptfs volumes. Each scenario is timed against a baseline in
// the same run, the two alternating round by round so that a slow moment of the shared machine
// does not favour either; the run ends with one "RATIO <scenario> <value>" line per scenario,
// where a value above 1 is better than the baseline, followed for the timed scenarios by the
// lowest and highest ratio of a single round. Google Benchmark's --benchmark_filter picks
// scenarios by name ("import", "lock" for unlock and lock, "listing" for the large vault).
#include "BenchFolder.h"
#include "Comparison.h"
#include "InterruptCleanup.h"
#include "LargeVaultBench.h"
#include "SourceTrees.h"
#include "VaultBench.h"

#include <QApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>

namespace {

constexpr int importRounds = 5;
// Unlocking depends on a key derivation whose time varies from round to round; enough rounds
// make the median of two runs agree.
constexpr int unlockRounds = 21;
constexpr int listingRounds = 9;
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

// A step whose time is only shown.
void registerUntimedStep(const QString& name, std::function<double()> step)
{
    registerStep(name, std::move(step), [](double) {});
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

// Nothing for a scenario that did not run.
void printRatio(const Comparison& comparison)
{
    if (const std::optional<Comparison::Spread> spread = comparison.spread()) {
        std::printf("RATIO %s %.2f (rounds %.2f to %.2f)\n", comparison.name().toUtf8().constData(), comparison.ratio(),
                    spread->lowest, spread->highest);
    }
}

void printObservedRatios(const char* what, const char* eventLoopScenario, const ObservedRun& run)
{
    std::printf("%s: %.3f s, longest event-loop gap %.1f ms, peak memory growth %.1f MiB\n", what, run.seconds,
                run.longestEventLoopGapSeconds * 1000, double(run.peakResidentGrowthBytes) / (1 << 20));
    std::printf("RATIO %s %.2f\n", eventLoopScenario,
                run.longestEventLoopGapSeconds > 0 ? smoothFrameSeconds / run.longestEventLoopGapSeconds : 0);
}

} // namespace

int main(int argc, char** argv)
{
    // Before any thread exists, so that all of them leave interruptions to the clean-up.
    BenchFolder folder;
    InterruptCleanup cleanup([&folder] { folder.tearDown(); });
    // The window is drawn without a display: only its work on the GUI thread is measured.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!folder.isValid()) {
        std::fprintf(stderr, "kovara-bench: cannot create a temporary folder\n");
        return 1;
    }

    try {
        VaultBench bench(folder);
        bench.createVault();
        LargeVaultBench largeVault(bench.store());

        Comparison importLarge(QStringLiteral("import-large"));
        Comparison importSmall(QStringLiteral("import-small"));
        Comparison unlock(QStringLiteral("unlock"));
        Comparison lock(QStringLiteral("lock"));
        Comparison listingLarge(QStringLiteral("listing-large"));
        std::optional<ObservedRun> throughStore;
        std::optional<ObservedRun> intoWindow;
        int copies = 0;

        const QString large = folder.filePath(QStringLiteral("origem/Vídeos"));
        const QString small = folder.filePath(QStringLiteral("origem/Fotos"));
        registerUntimedStep(QStringLiteral("import/write-sources"), [&] {
            return secondsOf([&] {
                SourceTrees::writeLargeFiles(large);
                SourceTrees::writeSmallFiles(small);
            });
        });
        // First, while the program's memory is what a freshly started app has.
        registerUntimedStep(QStringLiteral("import-through-store/1GiB"), [&] {
            QList<QUrl> largeFiles;
            for (const QString& name : QDir(large).entryList(QDir::Files, QDir::Name)) {
                largeFiles.append(QUrl::fromLocalFile(large + QLatin1Char('/') + name));
            }
            throughStore = bench.importThroughStore(largeFiles);
            return throughStore->seconds;
        });
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
        registerUntimedStep(QStringLiteral("lock-before-unlocking"), [&] { return bench.lockThroughStore(); });
        registerRounds(unlockRounds, [&](Comparison::Side side, int round) {
            const bool kovara = side == Comparison::Side::kovara;
            registerTimed(unlock, side, round, [&bench, kovara] {
                return kovara ? bench.unlockThroughStore() : bench.mountByHandAndList();
            });
            registerTimed(lock, side, round,
                          [&bench, kovara] { return kovara ? bench.lockThroughStore() : bench.unmountByHand(); });
        });
        // Last, so that the large vault is mounted during no other scenario.
        registerUntimedStep(QStringLiteral("listing-large/create-vault"),
                            [&] { return secondsOf([&] { largeVault.createVault(); }); });
        registerRounds(listingRounds, [&](Comparison::Side side, int round) {
            registerTimed(listingLarge, side, round, [&largeVault, side] {
                return side == Comparison::Side::kovara ? largeVault.listWithContentService() : largeVault.listWithLs();
            });
        });
        registerUntimedStep(QStringLiteral("listing-event-loop/window-filled"), [&] {
            intoWindow = largeVault.unlockIntoWindow();
            return intoWindow->seconds;
        });
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        std::printf("\n");
        for (const Comparison* comparison : {&importLarge, &importSmall, &unlock, &lock, &listingLarge}) {
            if (comparison->spread()) {
                comparison->printMedians();
            }
        }
        for (const Comparison* comparison : {&importLarge, &importSmall, &unlock, &lock}) {
            printRatio(*comparison);
        }
        if (throughStore) {
            printObservedRatios("import through the store", "event-loop", *throughStore);
            // Growth below one page counts as one page, so that no growth gives a finite value.
            const qint64 growth = std::max<qint64>(throughStore->peakResidentGrowthBytes, 4096);
            std::printf("RATIO import-memory %.2f\n",
                        throughStore->peakResidentGrowthBytes >= 0 ? importMemoryAllowance / double(growth) : 0);
        }
        printRatio(listingLarge);
        if (intoWindow) {
            printObservedRatios("large vault unlocked into the window", "listing-event-loop", *intoWindow);
        }
        // Before the bench folder's removal, which takes a while.
        std::fflush(stdout);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kovara-bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
