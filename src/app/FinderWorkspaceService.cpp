#include "app/FinderWorkspaceService.h"

#include "app/DefaultFolderHandler.h"
#include "platform/FileLocation.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDesktopServices>
#include <QFileInfo>

#include <qcoro/qcorodbuspendingcall.h>

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// Long enough for the bus to start a file manager that is not running yet; the window stays
// responsive meanwhile, and the operation ends at the latest then.
constexpr int fileManagerReplyTimeoutMilliseconds = 5'000;

} // namespace

FinderWorkspaceService::FinderWorkspaceService(QDBusConnection bus) : bus_(std::move(bus))
{
}

// Each awaited call is named first: GCC 12 destroys temporaries written inside a co_await
// expression twice.

QCoro::Task<bool> FinderWorkspaceService::openInNewWindow(QUrl directory)
{
    auto shown = askFileManager(QStringLiteral("ShowFolders"), FileLocation::standardizedFileURL(directory));
    co_return co_await shown;
}

QCoro::Task<bool> FinderWorkspaceService::open(QUrl file)
{
    if (QFileInfo(file.toLocalFile()).isDir()) {
        auto shown = openInNewWindow(file);
        co_return co_await shown;
    }
    // The answer is whether the desktop's launcher started; what the application then does is
    // beyond what the desktop reports.
    co_return QDesktopServices::openUrl(file);
}

QCoro::Task<> FinderWorkspaceService::reveal(QUrl file)
{
    auto shown = askFileManager(QStringLiteral("ShowItems"), file);
    if (co_await shown) {
        co_return;
    }
    if (!DefaultFolderHandler::isKovara()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(FileLocation::parentPath(FileLocation::standardizedPath(file))));
    }
}

QCoro::Task<bool> FinderWorkspaceService::askFileManager(QString method, QUrl location)
{
    if (!bus_.isConnected()) {
        co_return false;
    }
    QDBusMessage request =
        QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService, method);
    // The second argument is a startup-notification id, which Kovara does not have.
    request << QStringList{location.toString(QUrl::FullyEncoded)} << QString();
    // The bus itself starts an activatable file manager that is not running yet.
    const QDBusPendingCall call = bus_.asyncCall(request, fileManagerReplyTimeoutMilliseconds);
    const QDBusMessage reply = co_await call;
    co_return reply.type() == QDBusMessage::ReplyMessage;
}
