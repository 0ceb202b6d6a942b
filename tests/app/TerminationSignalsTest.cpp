// Ending the real program with a signal, as a logout, a shutdown or Ctrl+C in a terminal does.
#include "support/PrivateSessionBus.h"
#include "support/RealMounts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// True once the process catches `signalNumber` (its SigCgt mask in /proc), that is, once it has
// installed its handler.
bool catches(qint64 pid, int signalNumber)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype field = text.indexOf("\nSigCgt:");
    return field >= 0 && (text.mid(field + 8, 17).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
}

TEST(TerminationSignals, SigtermLocksEveryUnlockedVaultBeforeKovaraExits)
{
    // The test program's private data and runtime folders, which Kovara inherits.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString storage = qEnvironmentVariable("XDG_DATA_HOME") + "/Kovara/Vaults.noindex";
    ASSERT_TRUE(QDir().mkpath(storage));
    GocryptfsMountGuard guard{{runtime}};

    // A vault left unlocked by an earlier run: Kovara finds it mounted from its storage folder.
    const QString image = storage + "/" + QUuid::createUuid().toString(QUuid::WithoutBraces) + ".sparsebundle";
    for (const QStringList& arguments :
         {QStringList{"create", "-size", "1g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname", "Aberto",
                      "-encryption", "AES-256", "-stdinpass", "-nospotlight", image},
          QStringList{"attach", "-stdinpass", image}}) {
        ASSERT_EQ(RealMounts::runStandIn("kovara-hdiutil", arguments, QByteArray("senha123", 9)).exitStatus, 0);
    }
    ASSERT_EQ(RealMounts::mountPointsUnder(runtime).size(), 1);

    PrivateSessionBus bus;
    QProcess kovara;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    kovara.setProcessEnvironment(environment);
    kovara.start(RealMounts::standInPath("kovara"), {});
    ASSERT_TRUE(kovara.waitForStarted(-1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return catches(kovara.processId(), SIGTERM); }, 60000));

    ::kill(pid_t(kovara.processId()), SIGTERM);
    ASSERT_TRUE(kovara.waitForFinished(120000)) << kovara.readAllStandardError().toStdString();
    EXPECT_EQ(kovara.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(kovara.exitCode(), 0);
    EXPECT_TRUE(RealMounts::mountPointsUnder(runtime).isEmpty());
}

} // namespace
