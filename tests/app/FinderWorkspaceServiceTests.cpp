#include "app/FinderWorkspaceService.h"
#include "support/FakeSystemTools.h"
#include "support/PrivateSessionBus.h"
#include "support/TestFiles.h"
#include "support/WaitForTask.h"
#include "support/XvfbDisplay.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDir>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Plays the desktop's file manager on the bus and records what it is asked, on a thread of its
// own as another program would.
class RecordingFileManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    struct Request
    {
        QString method;
        QStringList uris;
        bool operator==(const Request&) const = default;
    };

    QList<Request> requests() const
    {
        const QMutexLocker lock(&mutex_);
        return requests_;
    }

    // Answers every request with an error, as a file manager that cannot show the folder.
    std::atomic<bool> refuses = false;

public slots:
    void ShowFolders(const QStringList& uris, const QString&) { record("ShowFolders", uris); }
    void ShowItems(const QStringList& uris, const QString&) { record("ShowItems", uris); }

private:
    void record(const QString& method, const QStringList& uris)
    {
        {
            const QMutexLocker lock(&mutex_);
            requests_.append({method, uris});
        }
        if (refuses) {
            sendErrorReply(QDBusError::Failed, "No such folder");
        }
    }

    mutable QMutex mutex_;
    QList<Request> requests_;
};

// Every program the desktop could launch is a recorder: xdg-open (what Qt's launcher runs for a
// file) writes the location it was given, so a test sees exactly what would have been opened.
class RecordingLauncher
{
public:
    RecordingLauncher() : savedPath_(qgetenv("PATH"))
    {
        tools_.writeScript("xdg-open", "printf '%s\\n' \"$1\" >> launched\n");
        qputenv("PATH", tools_.path().toUtf8() + ":" + savedPath_);
    }
    ~RecordingLauncher() { qputenv("PATH", savedPath_); }

    QByteArray launched() const { return tools_.read("launched"); }

private:
    FakeSystemTools tools_;
    QByteArray savedPath_;
};

class FinderWorkspaceServiceTest : public testing::Test
{
protected:
    void TearDown() override
    {
        fileManagerThread.quit();
        fileManagerThread.wait();
    }

    void startFileManager()
    {
        fileManager.moveToThread(&fileManagerThread);
        fileManagerThread.start();
        ASSERT_TRUE(fileManagerSide.registerObject("/org/freedesktop/FileManager1", &fileManager,
                                                   QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(fileManagerSide.registerService("org.freedesktop.FileManager1"));
    }

    PrivateSessionBus bus;
    QDBusConnection fileManagerSide = QDBusConnection::connectToBus(bus.address(), "file-manager-side");
    QDBusConnection kovaraSide = QDBusConnection::connectToBus(bus.address(), "kovara-side");
    FinderWorkspaceService service{kovaraSide};
    RecordingLauncher launcher;
    QThread fileManagerThread;
    RecordingFileManager fileManager;
};

TEST_F(FinderWorkspaceServiceTest, FoldersGoOnlyToTheFileManagerWhoseAnswerIsReturned)
{
    ASSERT_TRUE(bus.isRunning());
    QTemporaryDir volume;
    ASSERT_TRUE(QDir(volume.path()).mkpath("Notas/sub"));
    const QString notes = volume.path() + "/Notas";

    // No file manager on the bus: refused, and the folder never reaches the default folder
    // handler, which could be Kovara itself.
    EXPECT_FALSE(waitForTask(service.openInNewWindow(QUrl::fromLocalFile(notes))));
    EXPECT_FALSE(waitForTask(service.open(QUrl::fromLocalFile(notes))));

    startFileManager();
    EXPECT_TRUE(waitForTask(service.openInNewWindow(QUrl::fromLocalFile(notes + "/./sub/../"))));
    // A folder item opened "with its application" is a file-manager window too.
    EXPECT_TRUE(waitForTask(service.open(QUrl::fromLocalFile(notes + "/sub"))));
    waitForTask(service.reveal(QUrl::fromLocalFile(notes + "/Relatório final.pdf")));

    fileManager.refuses = true;
    EXPECT_FALSE(waitForTask(service.openInNewWindow(QUrl::fromLocalFile(notes))));

    const QString notesURI = QUrl::fromLocalFile(notes).toString(QUrl::FullyEncoded);
    using Request = RecordingFileManager::Request;
    EXPECT_EQ(fileManager.requests(), (QList<Request>{{"ShowFolders", {notesURI}},
                                                      {"ShowFolders", {notesURI + "/sub"}},
                                                      {"ShowItems", {notesURI + "/Relat%C3%B3rio%20final.pdf"}},
                                                      {"ShowFolders", {notesURI}}}));
    EXPECT_EQ(launcher.launched(), QByteArray());
}

TEST_F(FinderWorkspaceServiceTest, AFileOpensAndAnUnansweredRevealShowsItsFolderThroughTheDesktopLauncher)
{
    if (QGuiApplication::platformName() == "offscreen") {
        // Qt's offscreen platform launches nothing, so this test runs again, alone, in a copy of
        // this program on a virtual display, where Qt hands files to the desktop's launcher.
        XvfbDisplay display;
        ASSERT_TRUE(display.isRunning());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", display.name());
        const testing::TestInfo* self = testing::UnitTest::GetInstance()->current_test_info();
        QProcess onDisplay;
        onDisplay.setProcessEnvironment(environment);
        onDisplay.setProcessChannelMode(QProcess::MergedChannels);
        onDisplay.start(QCoreApplication::applicationFilePath(),
                        {QString("--gtest_filter=%1.%2").arg(self->test_suite_name(), self->name())});
        ASSERT_TRUE(onDisplay.waitForFinished(120'000));
        const QByteArray output = onDisplay.readAll();
        EXPECT_EQ(onDisplay.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        return;
    }
    QTemporaryDir volume;
    const QString report = volume.filePath("Relatório final.pdf");
    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_TRUE(waitForTask(service.open(QUrl::fromLocalFile(report))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.launched().isEmpty(); }, 10'000));

    // Unanswered, a reveal opens the item's folder with the desktop's folder handler, unless that is Kovara.
    const QString choices = qEnvironmentVariable("XDG_CONFIG_HOME") + "/mimeapps.list";
    TestFiles::writeFile(choices, "[Default Applications]\ninode/directory=com.kovara.Kovara.desktop;other.desktop;\n");
    waitForTask(service.reveal(QUrl::fromLocalFile(report)));
    QFile::remove(choices);
    waitForTask(service.reveal(QUrl::fromLocalFile(report)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return launcher.launched().count('\n') >= 2; }, 10'000));
    const QList<QByteArray> launched = launcher.launched().trimmed().split('\n');
    EXPECT_EQ(QUrl::fromEncoded(launched.value(0)), QUrl::fromLocalFile(report));
    EXPECT_EQ(QUrl::fromEncoded(launched.value(1)), QUrl::fromLocalFile(volume.path()));
    EXPECT_EQ(launched.size(), 2);
}

} // namespace

#include "FinderWorkspaceServiceTests.moc"
