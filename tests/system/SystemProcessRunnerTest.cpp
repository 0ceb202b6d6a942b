#include "system/SystemProcessRunner.h"
#include "posix/ChildProcess.h"
#include "support/FakeSystemTools.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

class SystemProcessRunnerTest : public testing::Test
{
protected:
    QCoro::Task<SystemProcessResult> start(SystemTool tool, QStringList arguments = {},
                                           std::optional<QByteArrayView> standardInput = std::nullopt,
                                           std::stop_token stop = {})
    {
        return runner.run(tool, std::move(arguments), standardInput, std::move(stop));
    }

    bool waitForFile(const QString& name)
    {
        return QTest::qWaitFor([&] { return QFile::exists(tools.filePath(name)); }, 10'000);
    }

    // Stops whatever a failed assertion left running, so a broken case fails instead of hanging.
    void TearDown() override { cancellation.request_stop(); }

    FakeSystemTools tools;
    // chflags's short time-out keeps the time-out case quick; the other tools must never time out,
    // even when the machine is loaded.
    SystemProcessRunner runner{tools.table(60s, 300ms)};
    std::stop_source cancellation;
};

// A tool that ignores SIGTERM (it notes each one in `terms`) and lives until it is killed.
const QByteArray ignoresTermination = "trap 'echo TERM >> terms' TERM\n"
                                      "echo started > started\n"
                                      "while :; do sleep 0.05; done";

TEST_F(SystemProcessRunnerTest, OutputIsCappedAtFourMebibytesAndDrainedPastTheCap)
{
    constexpr qsizetype cap = ChildProcess::maximumCapturedBytes;
    tools.writeScript("hdiutil", "head -c \"$1\" /dev/zero\n"
                                 "head -c \"$2\" /dev/zero >&2\n"
                                 "echo finished > finished");

    const SystemProcessResult exact =
        waitForTask(start(SystemTool::hdiutil, {QString::number(cap), QString::number(cap)}));
    EXPECT_EQ(exact.terminationStatus, 0);
    EXPECT_EQ(exact.standardOutput, QByteArray(cap, '\0'));
    EXPECT_EQ(exact.standardError, QByteArray(cap, '\0'));
    EXPECT_FALSE(exact.outputWasTruncated || exact.errorWasTruncated);

    for (const QStringList& sizes :
         {QStringList{QString::number(cap + 1), "0"}, QStringList{"0", QString::number(cap + 1)}}) {
        QFile::remove(tools.filePath("finished"));
        EXPECT_EQ(vaultErrorFrom(start(SystemTool::hdiutil, sizes)).errorDescription(),
                  "kovara-hdiutil retornou dados demais e a operação foi interrompida com segurança.");
        // The tool was never blocked on a full pipe: it wrote everything and went on to its end.
        EXPECT_TRUE(QFile::exists(tools.filePath("finished")));
    }
}

TEST_F(SystemProcessRunnerTest, ArgumentsAndInputArriveVerbatimAndNothingElseIsInherited)
{
    tools.writeScript("diskutil", "for argument in \"$@\"; do printf '%s\\n' \"$argument\" >> arguments; done\n"
                                  "cat > received\n"
                                  "ls /proc/self/fd > descriptors\n"
                                  "echo 'diskutil: eject failed' >&2\n"
                                  "exit 1");
    // Words a shell would split, expand or act on must arrive as they are.
    const QStringList arguments{"eject", "/run/Meu Cofre", "$HOME", "*", "a;b", "ção"};
    // Larger than a pipe's buffer, so the write completes only while the tool reads.
    const QByteArray password = QByteArray("se\0nha\ncom\r\nbytes\xFF\x00", 20) + QByteArray(200'000, 'x');
    // Leaks into every child unless the runner closes what it does not hand over.
    const int inheritable = ::open("/dev/null", O_RDONLY);

    const SystemProcessResult result = waitForTask(start(SystemTool::diskutil, arguments, QByteArrayView(password)));
    EXPECT_EQ(result.terminationStatus, 1) << "a failing status is a result, not an error";
    EXPECT_EQ(result.diagnostic(), "diskutil: eject failed");
    EXPECT_EQ(QString::fromUtf8(tools.read("arguments")), arguments.join('\n') + '\n');
    EXPECT_EQ(tools.read("received"), password);
    EXPECT_EQ(tools.read("descriptors"), "0\n1\n2\n3\n") << "ls itself opens 3 to list the folder";
    ::close(inheritable);

    // Without input the tool reads the null device: an immediate end of file, never a hang.
    tools.writeScript("mdutil", "cat > received-nothing\n"
                                "readlink /proc/self/fd/0");
    EXPECT_EQ(waitForTask(start(SystemTool::mdutil)).standardOutput, "/dev/null\n");
    EXPECT_TRUE(QFile::exists(tools.filePath("received-nothing")));
}

TEST_F(SystemProcessRunnerTest, ToolsThatCannotRunOrRefuseTheirInputFailWithStatusMinusOne)
{
    QFile::remove(tools.filePath("chflags"));
    EXPECT_EQ(vaultErrorFrom(start(SystemTool::chflags)),
              VaultError::commandFailed("kovara-chflags", -1, "Arquivo ou diretório inexistente"));
    QFile::setPermissions(tools.writeScript("chflags", "exit 0"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(vaultErrorFrom(start(SystemTool::chflags)),
              VaultError::commandFailed("kovara-chflags", -1, "Permissão negada"));

    // Exits without reading: the write meets a closed pipe (SIGPIPE must not end the test program).
    tools.writeScript("hdiutil", "exit 0");
    const QByteArray input(1'000'000, 'p');
    EXPECT_EQ(vaultErrorFrom(start(SystemTool::hdiutil, {}, QByteArrayView(input))),
              VaultError::commandFailed("kovara-hdiutil", -1, "não foi possível enviar a entrada protegida"));

    // The grandchild inherits standard output and outlives the tool, so the output never ends.
    tools.writeScript("hdiutil", "sleep 60 &\n"
                                 "echo $! > grandchild\n"
                                 "exit 0");
    EXPECT_EQ(vaultErrorFrom(start(SystemTool::hdiutil)),
              VaultError::commandFailed("kovara-hdiutil", 0,
                                        "a leitura da saída não terminou após o encerramento do processo"));
    if (const std::optional<pid_t> grandchild = tools.recordedPid("grandchild")) {
        ::kill(*grandchild, SIGKILL);
    }
}

TEST_F(SystemProcessRunnerTest, ToolIgnoringTerminationIsKilledAfterTheTimeOutOrOnCancellation)
{
    tools.writeScript("chflags", ignoresTermination);
    EXPECT_EQ(vaultErrorFrom(start(SystemTool::chflags)).errorDescription(),
              "kovara-chflags excedeu o tempo limite e foi interrompido.");
    EXPECT_EQ(tools.read("terms"), "TERM\n");

    // ditto has no time-out: only cancellation stops it.
    tools.writeScript("ditto", ignoresTermination);
    QFile::remove(tools.filePath("terms"));
    QFile::remove(tools.filePath("started"));
    QCoro::Task<SystemProcessResult> running = start(SystemTool::ditto, {}, std::nullopt, cancellation.get_token());
    ASSERT_TRUE(waitForFile("started"));
    cancellation.request_stop();
    EXPECT_EQ(vaultErrorFrom(std::move(running)).kind(), VaultError::Kind::operationCancelled);
    EXPECT_TRUE(tools.read("terms").startsWith("TERM\n"));
}

TEST_F(SystemProcessRunnerTest, RunsNeverOverlapStartInOrderAndACancelledOneNeverStarts)
{
    // Each run's start and end markers; a second run overlapping the first would interleave them.
    tools.writeScript("hdiutil", "echo \"start $1\" >> log\n"
                                 "while [ \"$1\" = 1 ] && [ ! -e release ]; do sleep 0.02; done\n"
                                 "sleep 0.1\n"
                                 "echo \"end $1\" >> log");
    tools.writeScript("mdutil", "echo ran >> ran");
    std::stop_source cancelledEarly;
    cancelledEarly.request_stop();
    EXPECT_EQ(vaultErrorFrom(start(SystemTool::mdutil, {}, std::nullopt, cancelledEarly.get_token())).kind(),
              VaultError::Kind::operationCancelled);

    QCoro::Task<SystemProcessResult> first = start(SystemTool::hdiutil, {"1"});
    std::stop_source cancelledWhileQueued;
    QCoro::Task<SystemProcessResult> queued =
        start(SystemTool::mdutil, {}, std::nullopt, cancelledWhileQueued.get_token());
    QCoro::Task<SystemProcessResult> second = start(SystemTool::hdiutil, {"2"});
    ASSERT_TRUE(waitForFile("log"));
    cancelledWhileQueued.request_stop();
    // A blocking caller on a worker thread joins the same queue.
    std::thread worker([this] { runner.runAndWait(SystemTool::hdiutil, {"3"}); });
    tools.writeScript("release", "");
    waitForTask(std::move(first));
    EXPECT_EQ(vaultErrorFrom(std::move(queued)).kind(), VaultError::Kind::operationCancelled);
    waitForTask(std::move(second));
    worker.join();

    EXPECT_EQ(tools.read("log").split('\n').mid(0, 4), (QList<QByteArray>{"start 1", "end 1", "start 2", "end 2"}));
    EXPECT_EQ(tools.read("log").split('\n').mid(4), (QList<QByteArray>{"start 3", "end 3", ""}));
    EXPECT_FALSE(QFile::exists(tools.filePath("ran")));
}

} // namespace
