#include "app/FinderWorkspaceService.h"
#include "support/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Plays the desktop's file manager on the bus and records what it is asked.
class RecordingFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    struct Request
    {
        QString method;
        QStringList uris;
    };
    QList<Request> requests;

public slots:
    void ShowFolders(const QStringList& uris, const QString&) { requests.append({"ShowFolders", uris}); }
    void ShowItems(const QStringList& uris, const QString&) { requests.append({"ShowItems", uris}); }
};

TEST(FinderWorkspaceService, AsksTheFileManagerForANewWindowOrASelectionOfExactlyOneItem)
{
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection fileManagerSide = QDBusConnection::connectToBus(bus.address(), "file-manager-side");
    QDBusConnection kovaraSide = QDBusConnection::connectToBus(bus.address(), "kovara-side");
    FinderWorkspaceService service(kovaraSide);

    // No file manager on the bus (and no desktop to fall back on offscreen): refused.
    EXPECT_FALSE(service.openInNewWindow(QUrl::fromLocalFile("/run/user/1000/kovara/Notas")));

    RecordingFileManager fileManager;
    ASSERT_TRUE(fileManagerSide.registerObject("/org/freedesktop/FileManager1", &fileManager,
                                               QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fileManagerSide.registerService("org.freedesktop.FileManager1"));

    EXPECT_TRUE(service.openInNewWindow(QUrl::fromLocalFile("/run/user/1000/kovara/Notas/./sub/../")));
    service.reveal(QUrl::fromLocalFile("/run/user/1000/kovara/Notas/Relatório final.pdf"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fileManager.requests.size() == 2; }, 10'000));

    EXPECT_EQ(fileManager.requests.at(0).method, "ShowFolders");
    EXPECT_EQ(fileManager.requests.at(0).uris, QStringList{"file:///run/user/1000/kovara/Notas"});
    EXPECT_EQ(fileManager.requests.at(1).method, "ShowItems");
    EXPECT_EQ(fileManager.requests.at(1).uris,
              QStringList{"file:///run/user/1000/kovara/Notas/Relat%C3%B3rio%20final.pdf"});
}

} // namespace

#include "FinderWorkspaceServiceTests.moc"
