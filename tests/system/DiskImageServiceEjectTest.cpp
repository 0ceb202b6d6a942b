#include "DiskImageServiceFixture.h"

#include "system/VolumeEjectDiagnostics.h"

#include <QElapsedTimer>
#include <QTest>

TEST(VolumeEjectDiagnosticsTest, HoldersAndBusyWording)
{
    const auto failed = [](int status, const QByteArray& standardError) {
        return SystemProcessResult{status, {}, standardError, false, false};
    };
    EXPECT_EQ(VolumeEjectDiagnostics::holders(failed(1, "eject failed: dissented by PID 10 (/usr/bin/nautilus)\n"
                                                        "Dissented By pid 11 (/usr/bin/nautilus)\n"
                                                        "dissented by PID 12 without parentheses\n"
                                                        "dissented by PID 13 (/usr/lib/evince/evince (sandboxed))\n"
                                                        "dissented by PID \n"
                                                        "dissented by PID 14 ()\n")),
              QStringList({"nautilus", "evince (sandboxed)"}));
    EXPECT_TRUE(VolumeEjectDiagnostics::isBusy(failed(1, "Volume is OCUPADO"), SystemTool::diskutil));
    EXPECT_TRUE(VolumeEjectDiagnostics::isBusy(failed(16, "Resource temporarily unavailable"), SystemTool::hdiutil));
    EXPECT_FALSE(VolumeEjectDiagnostics::isBusy(failed(16, "Resource temporarily unavailable"), SystemTool::diskutil));
    EXPECT_FALSE(VolumeEjectDiagnostics::isBusy(failed(0, "busy"), SystemTool::diskutil));
}

// The one test that waits through both pauses of a polite eject.
TEST_F(DiskImageServiceTest, AVolumeBusyThreeTimesNamesItsHolders)
{
    tools.answerAlways(SystemTool::diskutil,
                       {.status = 1,
                        .standardError = "Volume Fotos on disk4s1 failed to unmount: dissented by PID 312 (/System/"
                                         "Library/CoreServices/Finder.app/Contents/MacOS/Finder)\nDissenter parent "
                                         "PPID 1 (/sbin/launchd)\n"});

    EXPECT_EQ(vaultErrorFrom(service.eject(QUrl::fromLocalFile("/media/Fotos/"), false, {})).errorDescription(),
              "O cofre ainda está em uso por Finder. Feche os arquivos abertos nele e tente novamente, ou use “Forçar "
              "bloqueio”.");
    EXPECT_EQ(tools.calls(SystemTool::diskutil).size(), 3);
    EXPECT_EQ(tools.calls(SystemTool::diskutil).last().arguments, QStringList({"eject", "/media/Fotos"}));
    EXPECT_TRUE(tools.calls(SystemTool::hdiutil).isEmpty());

    // Cancelled during its first attempt or the pause after it, it ends with no other try, and sooner
    // than that one pause of 0.8 s would end by itself: the bound proves the pause was cut short
    // without depending on how fast a loaded machine runs the attempt.
    std::stop_source stop;
    QCoro::Task<void> ejecting = service.eject(QUrl::fromLocalFile("/media/Fotos/"), false, stop.get_token());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tools.calls(SystemTool::diskutil).size() == 4; }));
    QElapsedTimer sinceStop;
    sinceStop.start();
    stop.request_stop();
    EXPECT_ANY_THROW(waitForTask(std::move(ejecting)));
    EXPECT_LT(sinceStop.elapsed(), 800) << "the pause ran to its end";
    EXPECT_EQ(tools.calls(SystemTool::diskutil).size(), 4);
}

TEST_F(DiskImageServiceTest, PoliteEjectRetriesWhileBusyAndFallsBackToDetach)
{
    const VaultSession session{QUuid::createUuid(), QUrl::fromLocalFile("/media/Notas/"), "fuse:0:5"};

    // Busy once, then released.
    tools.answerNext(SystemTool::diskutil, {.status = 1, .standardError = "Volume busy\n"});
    waitForTask(service.detach(session));
    EXPECT_EQ(tools.calls(SystemTool::diskutil).size(), 2);

    // An unrelated failure: hdiutil detaches instead.
    tools.answerNext(SystemTool::diskutil, {.status = 1, .standardError = "Unknown disk\n"});
    waitForTask(service.eject(QUrl::fromLocalFile("/media/Notas/"), false, {}));
    EXPECT_EQ(tools.calls().last().arguments, QStringList({"detach", "/media/Notas"}));

    // hdiutil's status 16 is busy even in words that do not say so.
    tools.answerNext(SystemTool::diskutil, {.status = 1, .standardError = "Unknown disk\n"});
    tools.answerNext(SystemTool::hdiutil, {.status = 16, .standardError = "hdiutil: couldn't unmount \"disk4\"\n"});
    EXPECT_EQ(vaultErrorFrom(service.detach(session)), VaultError::volumeBusy({}));

    // Any other hdiutil failure reports diskutil's.
    tools.answerNext(SystemTool::diskutil, {.status = 5, .standardError = "Unknown disk\n"});
    tools.answerNext(SystemTool::hdiutil, {.status = 1, .standardError = "no such volume\n"});
    EXPECT_EQ(vaultErrorFrom(service.detach(session)).errorDescription(),
              "kovara-diskutil falhou com código 5: Unknown disk");

    // Forced: one hdiutil run, no retry, no busy analysis.
    const qsizetype diskutilRuns = tools.calls(SystemTool::diskutil).size();
    tools.answerNext(SystemTool::hdiutil, {.status = 16, .standardError = "Resource busy\n"});
    EXPECT_EQ(vaultErrorFrom(service.forceDetach(session)).errorDescription(),
              "kovara-hdiutil falhou com código 16: Resource busy");
    EXPECT_EQ(tools.calls().last().arguments, QStringList({"detach", "-force", "/media/Notas"}));
    waitForTask(service.forceDetach(session));
    EXPECT_EQ(tools.calls(SystemTool::diskutil).size(), diskutilRuns);
}
