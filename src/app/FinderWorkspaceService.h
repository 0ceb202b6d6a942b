#pragma once

#include "platform/FinderWorkspaceServicing.h"

#include <QDBusConnection>
#include <QString>
#include <QUrl>

// The desktop's file manager, through the freedesktop FileManager1 interface where a file
// manager offers it (a new window on a folder, an item shown selected), else through the
// desktop's default handlers. Folders go to the file manager by name, never to the default
// folder handler, since Kovara itself offers to handle folders.
class FinderWorkspaceService final : public FinderWorkspaceServicing
{
public:
    explicit FinderWorkspaceService(QDBusConnection bus = QDBusConnection::sessionBus());

    bool openInNewWindow(const QUrl& directory) noexcept override;
    bool open(const QUrl& file) noexcept override;
    void reveal(const QUrl& file) noexcept override;

private:
    // Sends the request without waiting for the file manager, which may first have to start.
    // False when no file manager offers the interface on the bus.
    bool askFileManager(const QString& method, const QUrl& location) noexcept;

    QDBusConnection bus_;
};
