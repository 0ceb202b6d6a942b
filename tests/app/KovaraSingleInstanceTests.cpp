#include "support/PrivateSessionBus.h"
#include "support/XvfbDisplay.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString serviceName = QStringLiteral("com.kovara.Kovara");

struct Finished
{
    int exitCode;
    QByteArray standardError;
};

// Runs the real program on the virtual display and the private bus.
class KovaraProcess
{
public:
    KovaraProcess(const XvfbDisplay& display, const PrivateSessionBus& bus)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display.name());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        process_.setProcessEnvironment(environment);
        process_.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/kovara"));
    }

    ~KovaraProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10'000)) {
                process_.kill();
                process_.waitForFinished();
            }
        }
    }

    void start(const QStringList& arguments, const QString& workingDirectory = QDir::currentPath())
    {
        process_.setArguments(arguments);
        process_.setWorkingDirectory(workingDirectory);
        process_.start();
        process_.waitForStarted(10'000);
    }

    Finished finish()
    {
        process_.waitForFinished(60'000);
        return {process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1,
                process_.readAllStandardError()};
    }

    QProcess& process() { return process_; }

private:
    QProcess process_;
};

TEST(KovaraSingleInstance, ALaterKovaraHandsItsFoldersToTheRunningOneOrSaysWhyNot)
{
    XvfbDisplay display;
    ASSERT_TRUE(display.isRunning()) << "Xvfb did not start";
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning()) << "dbus-daemon did not start";
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("kovara-test-bus"));
    ASSERT_TRUE(connection.isConnected());

    KovaraProcess first(display, bus);
    first.start({});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return connection.interface()->isServiceRegistered(serviceName).value()
                || first.process().state() == QProcess::NotRunning;
        },
        60'000));
    ASSERT_EQ(first.process().state(), QProcess::Running) << first.process().readAllStandardError().constData();

    QTemporaryDir folders;
    ASSERT_TRUE(QDir(folders.path()).mkdir(QStringLiteral("Pasta de férias")));
    KovaraProcess second(display, bus);
    // A path relative to the caller's folder reaches the running instance as an absolute one.
    second.start({QStringLiteral("Pasta de férias")}, folders.path());
    const Finished handedOff = second.finish();
    EXPECT_EQ(handedOff.exitCode, 0) << handedOff.standardError.constData();

    QDBusInterface running(serviceName, QStringLiteral("/com/kovara/Kovara"), QStringLiteral("com.kovara.Kovara"),
                           connection);
    const QStringList pending = running.property("PendingFolders").toStringList();
    EXPECT_EQ(pending,
              QStringList{QUrl::fromLocalFile(folders.path() + QStringLiteral("/Pasta de férias")).toString(QUrl::FullyEncoded)});

    KovaraProcess refused(display, bus);
    refused.start({QStringLiteral("/")});
    const Finished noFolder = refused.finish();
    EXPECT_NE(noFolder.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(noFolder.standardError), QString::fromUtf8("O Finder não enviou nenhuma pasta válida.\n"));

    // Without folders, a later kovara only brings the running one forward.
    KovaraProcess plain(display, bus);
    plain.start({});
    EXPECT_EQ(plain.finish().exitCode, 0);
    EXPECT_EQ(first.process().state(), QProcess::Running);
    EXPECT_EQ(running.property("PendingFolders").toStringList(), pending);
}

} // namespace
