#include "content/VaultFileCopyEngine.h"
#include "disktools/Fusermount.h"
#include "disktools/Gocryptfs.h"
#include "disktools/VaultPassword.h"
#include "platform/FileTreeRemoval.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// Copies one tree into an encrypted volume, once with Kovara's engine and once with `cp -a`,
// alternately, and reports the time of the engine relative to cp. The source's pages are in
// the cache for both, so what is compared is the write path into gocryptfs.
namespace {

struct Fixture
{
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/kovara-bench-XXXXXX")};
    QString source;
    QString mountPoint;
    qint64 treeBytes = 0;
    int copies = 0;
    double engineSeconds = 0;
    double cpSeconds = 0;
    int engineRuns = 0;
    int cpRuns = 0;

    QString nextDestination(const char* label) { return mountPoint + QStringLiteral("/%1-%2").arg(label).arg(++copies); }
};

Fixture* fixture = nullptr;

void writeFile(const QString& path, qint64 size)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int index = 0; index < block.size(); ++index) {
        block[index] = char(index * 31 + index / 977);
    }
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (qint64 written = 0; written < size; written += block.size()) {
        file.write(block.constData(), qMin<qint64>(block.size(), size - written));
    }
}

// A photo-library-like mix: a few large files, many small ones in nested folders.
qint64 createTree(const QString& root)
{
    qint64 total = 0;
    for (int index = 0; index < 2; ++index) {
        QDir().mkpath(root);
        writeFile(root + QStringLiteral("/video-%1.mov").arg(index), qint64(48) << 20);
        total += qint64(48) << 20;
    }
    for (int folder = 0; folder < 20; ++folder) {
        const QString path = root + QStringLiteral("/album %1/dia").arg(folder);
        QDir().mkpath(path);
        for (int index = 0; index < 100; ++index) {
            const qint64 size = 4096 + 97 * ((folder * 100 + index) % 400);
            writeFile(path + QStringLiteral("/foto-%1.jpg").arg(index), size);
            total += size;
        }
    }
    return total;
}

bool mountVolume(const QString& cipher, const QString& mountPoint)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return false;
    }
    static const char password[] = "benchmark password";
    ::write(pipeEnds[1], password, sizeof password); // the NUL ends it
    ::close(pipeEnds[1]);
    const VaultPassword vaultPassword = VaultPassword::readNulTerminated(pipeEnds[0]);
    ::close(pipeEnds[0]);
    try {
        Gocryptfs::initialize(cipher, vaultPassword, {});
        Gocryptfs::mount(cipher, mountPoint, vaultPassword);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kovara-bench: cannot mount gocryptfs: %s\n", failure.what());
        return false;
    }
    return true;
}

void runCp(const QString& source, const QString& destination)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    char* arguments[] = {const_cast<char*>("/usr/bin/cp"), const_cast<char*>("-a"), const_cast<char*>("--"),
                         const_cast<char*>(from.constData()), const_cast<char*>(to.constData()), nullptr};
    pid_t child = 0;
    int status = 0;
    if (::posix_spawn(&child, "/usr/bin/cp", nullptr, nullptr, arguments, environ) != 0 ||
        ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "kovara-bench: cp -a failed\n");
        std::abort();
    }
}

template <typename Copy>
void measure(benchmark::State& state, const char* label, Copy copy, double& seconds, int& runs)
{
    for (auto _ : state) {
        const QString destination = fixture->nextDestination(label);
        const auto start = std::chrono::steady_clock::now();
        copy(destination);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        seconds += std::chrono::duration<double>(end - start).count();
        ++runs;
        removeFileTree(destination); // outside the measured time
    }
    state.SetBytesProcessed(state.iterations() * fixture->treeBytes);
}

void engineCopy(benchmark::State& state)
{
    VaultFileCopyEngine engine;
    const VaultFileCopyPlan plan =
        QCoro::waitFor(engine.preflight(QUrl::fromLocalFile(fixture->source), std::stop_token()));
    measure(
        state, "engine",
        [&](const QString& destination) {
            QCoro::waitFor(engine.copyItem(plan, QUrl::fromLocalFile(destination), [](qint64) {}, std::stop_token()));
        },
        fixture->engineSeconds, fixture->engineRuns);
}

void cpArchive(benchmark::State& state)
{
    measure(
        state, "cp", [](const QString& destination) { runCp(fixture->source, destination); }, fixture->cpSeconds,
        fixture->cpRuns);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture shared;
    fixture = &shared;
    shared.source = shared.folder.path() + QStringLiteral("/Fotos");
    shared.mountPoint = shared.folder.path() + QStringLiteral("/Cofre");
    const QString cipher = shared.folder.path() + QStringLiteral("/cipher");
    QDir().mkpath(cipher);
    QDir().mkpath(shared.mountPoint);
    shared.treeBytes = createTree(shared.source);
    if (!mountVolume(cipher, shared.mountPoint)) {
        return 1;
    }

    // Alternating rounds, so that a slow moment of the machine does not favour one side.
    for (int round = 0; round < 5; ++round) {
        benchmark::RegisterBenchmark(QStringLiteral("VaultFileCopyEngine/round:%1").arg(round).toUtf8().constData(),
                                     engineCopy)
            ->UseManualTime()
            ->Iterations(2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(QStringLiteral("cp -a/round:%1").arg(round).toUtf8().constData(), cpArchive)
            ->UseManualTime()
            ->Iterations(2)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    Fusermount::unmount(shared.mountPoint, true, {});
    if (shared.engineRuns > 0 && shared.cpRuns > 0) {
        const double engineAverage = shared.engineSeconds / shared.engineRuns;
        const double cpAverage = shared.cpSeconds / shared.cpRuns;
        std::printf("\nTree: %.1f MiB. Engine %.3f s, cp -a %.3f s per copy.\n", double(shared.treeBytes) / (1 << 20),
                    engineAverage, cpAverage);
        std::printf("Engine throughput relative to cp -a: %.2f (above 1 is faster than cp -a)\n",
                    cpAverage / engineAverage);
    }
    return 0;
}
