#include "posix/ChildProcess.h"
#include "posix/ChildProcessFailure.h"
#include "posix/ReadySignal.h"
#include "support/FakeSystemTools.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace {

using Output = ChildProcess::Output;

// A program that starts a daemon and exits: the daemon inherits the program's output streams and
// lives on, as gocryptfs's does.
TEST(ChildProcessTest, DiscardedOutputLetsAProgramThatLeavesADaemonFinishAtItsOwnExit)
{
    FakeSystemTools tools;
    const ChildProcess::Program starter{tools
                                            .writeScript("starter", "cat > received\n"
                                                                    "sleep 60 &\n"
                                                                    "echo $! > daemon\n"
                                                                    "echo 'para ninguém'\n"
                                                                    "echo 'erro para ninguém' >&2\n"
                                                                    "exit 3")
                                            .toStdString(),
                                        "starter", std::nullopt};

    const ChildProcess::Result result = ChildProcess::run(
        starter, {},
        {.standardInput = "segredo", .standardOutput = Output::discarded, .standardError = Output::discarded});

    EXPECT_EQ(result.terminationStatus, 3);
    EXPECT_TRUE(result.standardOutput.empty());
    EXPECT_TRUE(result.standardError.empty());
    EXPECT_EQ(tools.read("received"), "segredo");
    const QString daemon = QString::fromLatin1(tools.read("daemon").trimmed());
    // The daemon holds the null device, no pipe of ours.
    EXPECT_EQ(QFileInfo("/proc/" + daemon + "/fd/1").symLinkTarget(), "/dev/null");
    EXPECT_EQ(QFileInfo("/proc/" + daemon + "/fd/2").symLinkTarget(), "/dev/null");
    if (const std::optional<pid_t> pid = tools.recordedPid("daemon")) {
        ::kill(*pid, SIGKILL);
    }

    // Each stream is chosen on its own.
    const ChildProcess::Program talker{tools
                                           .writeScript("talker", "echo 'para ninguém'\n"
                                                                  "echo 'erro guardado' >&2")
                                           .toStdString(),
                                       "talker", std::nullopt};
    const ChildProcess::Result errorOnly = ChildProcess::run(
        talker, {},
        {.standardInput = std::nullopt, .standardOutput = Output::discarded, .standardError = Output::captured});
    EXPECT_EQ(errorOnly.terminationStatus, 0);
    EXPECT_TRUE(errorOnly.standardOutput.empty());
    EXPECT_EQ(errorOnly.standardError, "erro guardado\n");
}

// A tool that started a helper of its own and blocks (gocryptfs forks the process that mounts):
// stopping the run ends the helper too, even one that ignores SIGTERM, which would otherwise live
// on, still blocked.
// A server that says it is ready (gocryptfs in the foreground, once it has mounted) is left
// running in a session of its own; one that ends first is an ordinary result, and the same signal
// sent before it started, which would otherwise swallow its own, says nothing.
TEST(ChildProcessTest, AServerIsLeftRunningOnceItSaysItIsReady)
{
    ReadySignal::blockInThisThread(SIGUSR1);
    ReadySignal ready(SIGUSR1);
    ASSERT_TRUE(ready.isValid());
    FakeSystemTools tools;
    const ChildProcess::Program server{tools
                                           .writeScript("server", "read -r password\n"
                                                                  "echo \"$password\" > received\n"
                                                                  "echo $$ > pid\n"
                                                                  "kill -USR1 $PPID\n"
                                                                  "exec sleep 60")
                                           .toStdString(),
                                       "server", std::nullopt};
    const ChildProcess::Options options{.standardInput = "segredo",
                                        .standardOutput = Output::discarded,
                                        .standardError = Output::discarded,
                                        .readySignal = &ready};
    ::kill(::getpid(), SIGUSR1);

    const ChildProcess::Result started = ChildProcess::run(server, {}, options);
    ASSERT_TRUE(started.isStillRunning);
    const std::optional<pid_t> serverPid = tools.recordedPid("pid");
    ASSERT_TRUE(serverPid);
    EXPECT_EQ(::getsid(*serverPid), *serverPid);
    EXPECT_EQ(::kill(*serverPid, 0), 0);
    EXPECT_EQ(tools.read("received"), "segredo\n");
    ::kill(*serverPid, SIGKILL);
    ::waitpid(*serverPid, nullptr, 0);

    const ChildProcess::Program refusing{tools.writeScript("refusing", "read -r password\nexit 12").toStdString(),
                                         "refusing", std::nullopt};
    const ChildProcess::Result refused = ChildProcess::run(refusing, {}, options);
    EXPECT_FALSE(refused.isStillRunning);
    EXPECT_EQ(refused.terminationStatus, 12);
}

TEST(ChildProcessTest, StoppingARunEndsEverythingItStarted)
{
    FakeSystemTools tools;
    const ChildProcess::Program blocked{tools
                                            .writeScript("blocked", "(trap '' TERM; exec sleep 600) &\n"
                                                                    "echo $! > helper\n"
                                                                    "wait")
                                            .toStdString(),
                                        "blocked", std::nullopt};
    std::stop_source stop;
    std::optional<ChildProcessFailure::Kind> failure;
    std::thread run([&] {
        try {
            ChildProcess::run(blocked, {}, {}, stop.get_token());
        } catch (const ChildProcessFailure& error) {
            failure = error.kind();
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tools.read("helper").trimmed().isEmpty(); }));
    const QString helper = QString::fromLatin1(tools.read("helper").trimmed());
    stop.request_stop();
    run.join();
    EXPECT_EQ(failure, ChildProcessFailure::Kind::cancelled);
    // Gone, or a zombie waiting for the system to reap it: either way no longer running.
    const QByteArray status = TestFiles::readAll("/proc/" + helper + "/stat");
    EXPECT_TRUE(status.isEmpty() || status.contains(") Z ")) << status.toStdString();
}

} // namespace
