#include "model/VaultError.h"
#include "support/FakeToolFolder.h"
#include "support/VaultErrorPrinting.h"
#include "support/WaitForTask.h"
#include "system/ChildProcess.h"
#include "system/SystemProcessRunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <functional>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr qsizetype cap = ChildProcess::maximumCapturedBytes;

// The failure `work` threw; fails the test when it threw none or another kind.
VaultError vaultErrorFrom(const std::function<void()>& work)
{
    try {
        work();
    } catch (const VaultError& error) {
        return error;
    }
    ADD_FAILURE() << "expected a VaultError";
    return VaultError(VaultError::Kind::noSelection);
}

class SystemProcessRunnerTest : public testing::Test
{
protected:
    SystemProcessResult run(SystemTool tool, QStringList arguments = {},
                            std::optional<QByteArrayView> standardInput = std::nullopt, std::stop_token stop = {})
    {
        return waitForTask(runner.run(tool, std::move(arguments), standardInput, std::move(stop)));
    }

    VaultError failureOf(SystemTool tool, QStringList arguments = {},
                         std::optional<QByteArrayView> standardInput = std::nullopt, std::stop_token stop = {})
    {
        return vaultErrorFrom([&] { run(tool, arguments, standardInput, stop); });
    }

    bool waitForFile(const QString& name)
    {
        return QTest::qWaitFor([&] { return QFile::exists(tools.filePath(name)); }, 10'000);
    }

    // Stops whatever a failed assertion left running, so a broken case fails instead of hanging.
    void TearDown() override { cancellation.request_stop(); }

    FakeToolFolder tools;
    // chflags's short time-out keeps the time-out case quick; the other tools must never time out,
    // even when the machine is loaded.
    SystemProcessRunner runner{tools.toolTable(60s, 300ms)};
    std::stop_source cancellation;
};

// A tool that ignores SIGTERM (it notes each one in `terms`) and lives until it is killed.
const QByteArray ignoresTermination = "trap 'echo TERM >> terms' TERM\n"
                                      "echo started > started\n"
                                      "while :; do sleep 0.05; done";

TEST(SystemToolTableTest, FixedToolsAreTheStandInsBesideTheRunningProgram)
{
    const SystemToolTable& fixed = SystemToolTable::fixed();
    const QString folder = QCoreApplication::applicationDirPath();
    const struct
    {
        SystemTool tool;
        const char* displayName;
        std::optional<std::chrono::milliseconds> timeout;
    } expected[] = {
        {SystemTool::hdiutil, "hdiutil", 90s}, {SystemTool::diskutil, "diskutil", 90s},
        {SystemTool::mdutil, "mdutil", 20s},   {SystemTool::ditto, "ditto", std::nullopt},
        {SystemTool::chflags, "chflags", 10s},
    };
    for (const auto& tool : expected) {
        const SystemToolSpec& spec = fixed.spec(tool.tool);
        EXPECT_EQ(spec.displayName, tool.displayName);
        EXPECT_EQ(spec.executable, folder + "/kovara-" + tool.displayName);
        EXPECT_EQ(spec.timeout, tool.timeout) << tool.displayName;
    }
}

TEST_F(SystemProcessRunnerTest, OutputIsCappedAtFourMebibytesAndDrainedPastTheCap)
{
    tools.writeScript("hdiutil", "head -c \"$1\" /dev/zero\n"
                                 "head -c \"$2\" /dev/zero >&2\n"
                                 "echo finished > finished");

    const SystemProcessResult exact = run(SystemTool::hdiutil, {QString::number(cap), QString::number(cap)});
    EXPECT_EQ(exact.terminationStatus, 0);
    EXPECT_EQ(exact.standardOutput, QByteArray(cap, '\0'));
    EXPECT_EQ(exact.standardError, QByteArray(cap, '\0'));
    EXPECT_FALSE(exact.outputWasTruncated || exact.errorWasTruncated);

    for (const QStringList& sizes : {QStringList{QString::number(cap + 1), "0"}, QStringList{"0", QString::number(cap + 1)}}) {
        QFile::remove(tools.filePath("finished"));
        const VaultError tooLarge = failureOf(SystemTool::hdiutil, sizes);
        EXPECT_EQ(tooLarge.kind(), VaultError::Kind::commandOutputTooLarge) << sizes.join(' ').toStdString();
        EXPECT_EQ(tooLarge.errorDescription(),
                  "hdiutil retornou dados demais e a operação foi interrompida com segurança.");
        // The tool was never blocked on a full pipe: it wrote everything and went on to its end.
        EXPECT_TRUE(QFile::exists(tools.filePath("finished")));
    }
}

TEST_F(SystemProcessRunnerTest, NonZeroStatusIsAResultAndArgumentsReachTheToolVerbatim)
{
    tools.writeScript("diskutil", "for argument in \"$@\"; do printf '%s\\n' \"$argument\" >> arguments; done\n"
                                  "echo 'diskutil: eject failed' >&2\n"
                                  "exit 1");
    // Words a shell would split, expand or act on must arrive as they are.
    const QStringList arguments{"eject", "/run/Meu Cofre", "$HOME", "*", "a;b", "ção"};

    const SystemProcessResult result = run(SystemTool::diskutil, arguments);

    EXPECT_EQ(result.terminationStatus, 1);
    EXPECT_EQ(result.diagnostic(), "diskutil: eject failed");
    EXPECT_EQ(QString::fromUtf8(tools.read("arguments")), arguments.join('\n') + '\n');
}

TEST_F(SystemProcessRunnerTest, StandardInputArrivesByteForByteAndNothingElseIsInherited)
{
    tools.writeScript("hdiutil", "cat > received\n"
                                 "ls /proc/self/fd > descriptors");
    QByteArray password("se\0nha\ncom\r\nbytes\xFF\x00", 20);
    // Larger than a pipe's buffer, so the write completes only while the tool reads.
    password += QByteArray(200'000, 'x');
    // Leaks into every child unless the runner closes what it does not hand over.
    const int inheritable = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inheritable, 0);

    EXPECT_EQ(run(SystemTool::hdiutil, {}, QByteArrayView(password)).terminationStatus, 0);
    EXPECT_EQ(tools.read("received"), password);
    // ls itself opens 3 to list the folder.
    EXPECT_EQ(tools.read("descriptors"), "0\n1\n2\n3\n");

    // Without input the tool reads the null device: an immediate end of file, never a hang.
    tools.writeScript("mdutil", "cat > received-nothing\n"
                                "readlink /proc/self/fd/0");
    EXPECT_EQ(run(SystemTool::mdutil).standardOutput, "/dev/null\n");
    EXPECT_TRUE(QFile::exists(tools.filePath("received-nothing")));
    EXPECT_EQ(tools.read("received-nothing"), QByteArray());
    ::close(inheritable);
}

TEST_F(SystemProcessRunnerTest, InputTheToolRefusesFailsWithoutKillingTheApplication)
{
    // Exits without reading: the write meets a closed pipe (SIGPIPE must not end the test program).
    tools.writeScript("hdiutil", "exit 0");
    const QByteArray input(1'000'000, 'p');

    const VaultError refused = failureOf(SystemTool::hdiutil, {}, QByteArrayView(input));

    EXPECT_EQ(refused, VaultError::commandFailed("hdiutil", -1, "não foi possível enviar a entrada protegida"));
}

TEST_F(SystemProcessRunnerTest, MissingOrUnrunnableExecutableFailsWithStatusMinusOne)
{
    const VaultError missing = failureOf(SystemTool::chflags);
    EXPECT_EQ(missing, VaultError::commandFailed("chflags", -1, "Arquivo ou diretório inexistente"));

    QFile::setPermissions(tools.writeScript("chflags", "exit 0"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(failureOf(SystemTool::chflags), VaultError::commandFailed("chflags", -1, "Permissão negada"));
}

TEST_F(SystemProcessRunnerTest, ToolIgnoringTerminationIsKilledAfterTheTimeOut)
{
    tools.writeScript("chflags", ignoresTermination);

    const VaultError timedOut = failureOf(SystemTool::chflags);

    EXPECT_EQ(timedOut.errorDescription(), "chflags excedeu o tempo limite e foi interrompido.");
    EXPECT_EQ(tools.read("terms"), "TERM\n");
}

TEST_F(SystemProcessRunnerTest, CancellationStopsAToolThatHasNoTimeOut)
{
    tools.writeScript("ditto", ignoresTermination);
    QCoro::Task<SystemProcessResult> running = runner.run(SystemTool::ditto, {}, std::nullopt, cancellation.get_token());
    ASSERT_TRUE(waitForFile("started"));
    cancellation.request_stop();
    const VaultError cancelled = vaultErrorFrom([&] { waitForTask(std::move(running)); });

    EXPECT_EQ(cancelled.kind(), VaultError::Kind::operationCancelled);
    EXPECT_TRUE(tools.read("terms").startsWith("TERM\n"));
}

TEST_F(SystemProcessRunnerTest, CancellationBeforeLaunchStartsNothing)
{
    tools.writeScript("mdutil", "echo ran >> ran");
    std::stop_source cancelledEarly;
    cancelledEarly.request_stop();
    EXPECT_EQ(failureOf(SystemTool::mdutil, {}, std::nullopt, cancelledEarly.get_token()).kind(),
              VaultError::Kind::operationCancelled);

    // Cancelled while still queued behind another run.
    tools.writeScript("hdiutil", "touch busy\n"
                                 "while [ ! -e release ]; do sleep 0.02; done");
    QCoro::Task<SystemProcessResult> blocking =
        runner.run(SystemTool::hdiutil, {}, std::nullopt, cancellation.get_token());
    std::stop_source cancelledWhileQueued;
    QCoro::Task<SystemProcessResult> queued =
        runner.run(SystemTool::mdutil, {}, std::nullopt, cancelledWhileQueued.get_token());
    ASSERT_TRUE(waitForFile("busy"));
    cancelledWhileQueued.request_stop();
    tools.writeScript("release", "");
    EXPECT_EQ(waitForTask(std::move(blocking)).terminationStatus, 0);
    EXPECT_EQ(vaultErrorFrom([&] { waitForTask(std::move(queued)); }).kind(), VaultError::Kind::operationCancelled);

    EXPECT_FALSE(QFile::exists(tools.filePath("ran")));
}

TEST_F(SystemProcessRunnerTest, RunsNeverOverlapAndStartInOrder)
{
    // Each run's start and end markers; a second run overlapping the first would interleave them.
    tools.writeScript("hdiutil", "echo \"start $1\" >> log\n"
                                 "sleep 0.2\n"
                                 "echo \"end $1\" >> log");

    QCoro::Task<SystemProcessResult> first = runner.run(SystemTool::hdiutil, {"1"});
    QCoro::Task<SystemProcessResult> second = runner.run(SystemTool::hdiutil, {"2"});
    // A blocking caller on a worker thread joins the same queue.
    std::thread worker([this] { runner.runAndWait(SystemTool::hdiutil, {"3"}); });
    waitForTask(std::move(first));
    waitForTask(std::move(second));
    worker.join();

    const QList<QByteArray> log = tools.read("log").split('\n');
    ASSERT_EQ(log.size(), 7);
    EXPECT_EQ(log.mid(0, 4), (QList<QByteArray>{"start 1", "end 1", "start 2", "end 2"}));
    EXPECT_EQ(log.mid(4, 2), (QList<QByteArray>{"start 3", "end 3"}));
}

TEST_F(SystemProcessRunnerTest, OutputHeldOpenByAGrandchildFailsTheRun)
{
    // The grandchild inherits standard output and outlives the tool, so the output never ends.
    tools.writeScript("hdiutil", "sleep 60 &\n"
                                 "echo $! > grandchild\n"
                                 "exit 0");

    const VaultError unfinished = failureOf(SystemTool::hdiutil);

    EXPECT_EQ(unfinished, VaultError::commandFailed(
                              "hdiutil", 0, "a leitura da saída não terminou após o encerramento do processo"));
    ::kill(tools.read("grandchild").trimmed().toInt(), SIGKILL);
}

} // namespace
