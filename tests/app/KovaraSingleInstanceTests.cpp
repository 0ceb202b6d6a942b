#include "support/PrivateSessionBus.h"
#include "support/XvfbDisplay.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

#include <memory>

namespace {

const QString serviceName = QStringLiteral("com.kovara.Kovara");

// The real program in `session` (its display and bus), started from `folder`; stopped when the
// pointer goes, if it still runs.
std::unique_ptr<QProcess, void (*)(QProcess*)> startKovara(const QProcessEnvironment& session,
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
    kovara->setProcessEnvironment(session);
    kovara->setWorkingDirectory(folder);
    kovara->start(QCoreApplication::applicationDirPath() + "/kovara", arguments);
    kovara->waitForStarted(10'000);
    return kovara;
}

QProcessEnvironment x11Session(const XvfbDisplay& display, const PrivateSessionBus& bus)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display.name());
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    return environment;
}

bool awaitRunningInstance(const QDBusConnection& connection, const QProcess& first)
{
    return QTest::qWaitFor(
               [&] {
                   return connection.interface()->isServiceRegistered(serviceName).value() ||
                          first.state() == QProcess::NotRunning;
               },
               60'000) &&
           first.state() == QProcess::Running;
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

    const QProcessEnvironment session = x11Session(display, bus);
    const auto first = startKovara(session, {});
    ASSERT_TRUE(awaitRunningInstance(connection, *first)) << first->readAllStandardError().constData();

    // A path relative to the caller's folder reaches the running instance as an absolute one.
    QTemporaryDir folders;
    ASSERT_TRUE(QDir(folders.path()).mkdir("Pasta de férias"));
    const auto second = startKovara(session, {"Pasta de férias"}, folders.path());
    EXPECT_EQ(exitStatusOf(*second), 0) << second->readAllStandardError().constData();
    QDBusInterface running(serviceName, "/com/kovara/Kovara", "com.kovara.Kovara", connection);
    const QStringList pending = running.property("PendingFolders").toStringList();
    EXPECT_EQ(pending,
              QStringList{QUrl::fromLocalFile(folders.path() + "/Pasta de férias").toString(QUrl::FullyEncoded)});

    const auto refused = startKovara(session, {"/"});
    EXPECT_NE(exitStatusOf(*refused), 0);
    EXPECT_EQ(QString::fromUtf8(refused->readAllStandardError()),
              "O gerenciador de arquivos não enviou nenhuma pasta válida.\n");

    // Without folders, a later kovara only brings the running one forward.
    const auto plain = startKovara(session, {});
    EXPECT_EQ(exitStatusOf(*plain), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(running.property("PendingFolders").toStringList(), pending);
}

// Weston without a screen, on a socket of its own in a private runtime folder; stopped when the
// object goes.
class HeadlessWeston
{
public:
    HeadlessWeston()
    {
        QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime_.path());
        server_.setProcessEnvironment(environment);
        server_.start("/usr/bin/weston", {"--backend=headless-backend.so", "--socket=kovara", "--idle-time=0"});
        // The socket appears once Weston listens on it.
        (void)QTest::qWaitFor(
            [&] { return QFileInfo::exists(runtime_.path() + "/kovara") || server_.state() == QProcess::NotRunning; },
            30'000);
    }
    ~HeadlessWeston()
    {
        server_.terminate();
        server_.waitForFinished(10'000);
    }
    HeadlessWeston(const HeadlessWeston&) = delete;
    HeadlessWeston& operator=(const HeadlessWeston&) = delete;

    bool isRunning() const
    {
        return server_.state() == QProcess::Running && QFileInfo::exists(runtime_.path() + "/kovara");
    }

    // A Wayland session as a desktop other than GNOME sets it up: no DISPLAY, no platform chosen
    // for Qt, and every Wayland message a client sends or receives printed on its standard error.
    QProcessEnvironment session(const PrivateSessionBus& bus) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "QT_QPA_PLATFORM", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP"}) {
            environment.remove(name);
        }
        environment.insert("XDG_SESSION_TYPE", "wayland");
        environment.insert("XDG_RUNTIME_DIR", runtime_.path());
        environment.insert("WAYLAND_DISPLAY", "kovara");
        environment.insert("WAYLAND_DEBUG", "1");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        return environment;
    }

private:
    QTemporaryDir runtime_;
    QProcess server_;
};

TEST(KovaraSingleInstance, OnWaylandTheWindowIsNativeTheSheetSitsOverItAndTheTokenGoesToTheCompositorWhereOffered)
{
    if (!QFileInfo("/usr/bin/weston").isExecutable()) {
        GTEST_SKIP() << "weston is not installed (scripts/install-deps test installs it)";
    }
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so")) {
        GTEST_SKIP() << "Qt's Wayland plugin is not installed (qt6-wayland)";
    }
    HeadlessWeston weston;
    ASSERT_TRUE(weston.isRunning()) << "weston did not start";
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning()) << "dbus-daemon did not start";
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), "kovara-wayland-test-bus");
    QTemporaryDir home;
    QProcessEnvironment session = weston.session(bus);
    session.insert("HOME", home.path());
    session.insert("XDG_DATA_HOME", home.path() + "/data");
    session.insert("XDG_CONFIG_HOME", home.path() + "/config");
    // Qt's Wayland plugin leaves what libwayland-client allocated for it to the end of the
    // process; in a sanitizer build that alone would fail every kovara's exit.
    QFile suppressions(home.path() + "/wayland.lsan");
    ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly) && suppressions.write("leak:libwayland-client.so\n") > 0);
    suppressions.close();
    session.insert("LSAN_OPTIONS", "suppressions=" + suppressions.fileName());

    const auto first = startKovara(session, {});
    ASSERT_TRUE(awaitRunningInstance(connection, *first)) << first->readAllStandardError().constData();
    QByteArray messages;
    const auto received = [&](const QByteArray& text) {
        return QTest::qWaitFor([&] { return (messages += first->readAllStandardError()).contains(text); }, 30'000);
    };
    // Natively: the window is a Wayland toplevel, not an X11 window through XWayland.
    ASSERT_TRUE(received(".get_toplevel(")) << "Kovara made no Wayland window";

    session.insert("XDG_ACTIVATION_TOKEN", "kovara-token-4711");
    QTemporaryDir folders;
    ASSERT_TRUE(QDir(folders.path()).mkdir("Notas fiscais"));
    const auto second = startKovara(session, {"Notas fiscais"}, folders.path());
    EXPECT_EQ(exitStatusOf(*second), 0) << second->readAllStandardError().right(2000).constData();
    QDBusInterface running(serviceName, "/com/kovara/Kovara", "com.kovara.Kovara", connection);
    EXPECT_EQ(running.property("PendingFolders").toStringList(),
              QStringList{QUrl::fromLocalFile(folders.path() + "/Notas fiscais").toString(QUrl::FullyEncoded)});
    // The import sheet is a window of its own whose parent is the main window, so that the
    // compositor keeps it over that window.
    EXPECT_TRUE(received(".set_parent(xdg_toplevel@")) << "the sheet has no parent window";

    if (messages.contains("\"xdg_activation_v1\"")) {
        EXPECT_TRUE(received(".activate(\"kovara-token-4711\", wl_surface@"))
            << "the compositor was not asked to activate the window with the token";
    } else {
        // Weston (10 at least) does not offer xdg-activation-v1: Qt then cannot hand the token on,
        // and the window is only raised, which the compositor may ignore.
        EXPECT_FALSE(messages.contains(".activate(")) << "an activation request for a protocol not offered";
        std::cout << "[   NOTE   ] this Weston offers no xdg_activation_v1: the window was raised without "
                     "the token, which only a compositor with that protocol can honour\n";
    }
    EXPECT_EQ(first->state(), QProcess::Running);
}

} // namespace
