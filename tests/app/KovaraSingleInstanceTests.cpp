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

#include <memory>

namespace {

const QString serviceName = QStringLiteral("com.kovara.Kovara");

// The real program on the virtual display and the private bus, started from `folder`; stopped
// when the pointer goes, if it still runs.
std::unique_ptr<QProcess, void (*)(QProcess*)> startKovara(const XvfbDisplay& display, const PrivateSessionBus& bus,
                                                           const QStringList& arguments,
                                                           const QString& folder = QDir::currentPath())
{
    std::unique_ptr<QProcess, void (*)(QProcess*)> kovara(new QProcess, [](QProcess* process) {
        process->terminate();
        if (!process->waitForFinished(10'000)) {
            process->kill();
            process->waitForFinished();
        }
        delete process;
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display.name());
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    kovara->setProcessEnvironment(environment);
    kovara->setWorkingDirectory(folder);
    kovara->start(QCoreApplication::applicationDirPath() + "/kovara", arguments);
    kovara->waitForStarted(10'000);
    return kovara;
}

// Waits for a later kovara to end; its exit status, -1 for a crash.
int exitStatusOf(QProcess& kovara)
{
    kovara.waitForFinished(60'000);
    return kovara.exitStatus() == QProcess::NormalExit ? kovara.exitCode() : -1;
}

TEST(KovaraSingleInstance, ALaterKovaraHandsItsFoldersToTheRunningOneOrSaysWhyNot)
{
    XvfbDisplay display;
    ASSERT_TRUE(display.isRunning()) << "Xvfb did not start";
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning()) << "dbus-daemon did not start";
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), "kovara-test-bus");
    ASSERT_TRUE(connection.isConnected());

    const auto first = startKovara(display, bus, {});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return connection.interface()->isServiceRegistered(serviceName).value() ||
                   first->state() == QProcess::NotRunning;
        },
        60'000));
    ASSERT_EQ(first->state(), QProcess::Running) << first->readAllStandardError().constData();

    // A path relative to the caller's folder reaches the running instance as an absolute one.
    QTemporaryDir folders;
    ASSERT_TRUE(QDir(folders.path()).mkdir("Pasta de férias"));
    const auto second = startKovara(display, bus, {"Pasta de férias"}, folders.path());
    EXPECT_EQ(exitStatusOf(*second), 0) << second->readAllStandardError().constData();
    QDBusInterface running(serviceName, "/com/kovara/Kovara", "com.kovara.Kovara", connection);
    const QStringList pending = running.property("PendingFolders").toStringList();
    EXPECT_EQ(pending,
              QStringList{QUrl::fromLocalFile(folders.path() + "/Pasta de férias").toString(QUrl::FullyEncoded)});

    const auto refused = startKovara(display, bus, {"/"});
    EXPECT_NE(exitStatusOf(*refused), 0);
    EXPECT_EQ(QString::fromUtf8(refused->readAllStandardError()),
              "O gerenciador de arquivos não enviou nenhuma pasta válida.\n");

    // Without folders, a later kovara only brings the running one forward.
    const auto plain = startKovara(display, bus, {});
    EXPECT_EQ(exitStatusOf(*plain), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(running.property("PendingFolders").toStringList(), pending);
}

} // namespace
