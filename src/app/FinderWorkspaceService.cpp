#include "app/FinderWorkspaceService.h"

#include "finder/FinderServiceInput.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

FinderWorkspaceService::FinderWorkspaceService(QDBusConnection bus)
    : bus_(std::move(bus))
{
}

bool FinderWorkspaceService::openInNewWindow(const QUrl& directory) noexcept
{
    const QUrl standardized = FinderServiceInput::standardizedFileURL(directory);
    return askFileManager(QStringLiteral("ShowFolders"), standardized) || QDesktopServices::openUrl(standardized);
}

bool FinderWorkspaceService::open(const QUrl& file) noexcept
{
    return QDesktopServices::openUrl(file);
}

void FinderWorkspaceService::reveal(const QUrl& file) noexcept
{
    if (!askFileManager(QStringLiteral("ShowItems"), file)) {
        // Without a file manager that can select, showing the folder that holds the item is
        // the closest the desktop offers.
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath()));
    }
}

bool FinderWorkspaceService::askFileManager(const QString& method, const QUrl& location) noexcept
{
    if (!bus_.isConnected() || !bus_.interface()) {
        return false;
    }
    QDBusConnectionInterface* bus = bus_.interface();
    if (!bus->isServiceRegistered(fileManagerService).value()
        && !bus->activatableServiceNames().value().contains(fileManagerService)) {
        return false;
    }
    QDBusMessage request =
        QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService, method);
    // The second argument is a startup-notification id, which Kovara does not have.
    request << QStringList{location.toString(QUrl::FullyEncoded)} << QString();
    return bus_.send(request);
}
