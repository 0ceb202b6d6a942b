#include "app/FinderWorkspaceService.h"

#include "finder/FinderServiceInput.h"
#include "platform/FileLocation.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// Long enough for the bus to start a file manager that is not running yet; short enough that a
// hung one does not freeze the window for long.
constexpr int fileManagerReplyTimeoutMilliseconds = 5'000;

} // namespace

FinderWorkspaceService::FinderWorkspaceService(QDBusConnection bus)
    : bus_(std::move(bus))
{
}

bool FinderWorkspaceService::openInNewWindow(const QUrl& directory) noexcept
{
    return askFileManager(QStringLiteral("ShowFolders"), FileLocation::standardizedFileURL(directory));
}

bool FinderWorkspaceService::open(const QUrl& file) noexcept
{
    if (QFileInfo(file.toLocalFile()).isDir()) {
        return openInNewWindow(file);
    }
    // The answer is whether the desktop's launcher started; what the application then does is
    // beyond what the desktop reports.
    return QDesktopServices::openUrl(file);
}

void FinderWorkspaceService::reveal(const QUrl& file) noexcept
{
    // Nothing else can select an item; the store treats revealing as done either way.
    askFileManager(QStringLiteral("ShowItems"), file);
}

bool FinderWorkspaceService::askFileManager(const QString& method, const QUrl& location) noexcept
{
    if (!bus_.isConnected()) {
        return false;
    }
    QDBusMessage request =
        QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService, method);
    // The second argument is a startup-notification id, which Kovara does not have.
    request << QStringList{location.toString(QUrl::FullyEncoded)} << QString();
    // The bus itself starts an activatable file manager that is not running yet.
    const QDBusMessage reply = bus_.call(request, QDBus::Block, fileManagerReplyTimeoutMilliseconds);
    return reply.type() == QDBusMessage::ReplyMessage;
}
