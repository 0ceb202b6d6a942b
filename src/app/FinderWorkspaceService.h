#pragma once

#include "platform/FinderWorkspaceServicing.h"

#include <QDBusConnection>
#include <QString>
#include <QUrl>

// The desktop's file manager, through the freedesktop FileManager1 interface (a new window on
// a folder, an item shown selected), and the desktop's default application for a file.
//
// Folders go only to FileManager1, never to the default folder handler: Kovara's own desktop
// entry declares that it handles folders, so the default handler could be Kovara itself, and
// "opening" a vault would then offer to import it into a vault. Without a file manager on the
// bus a folder is refused, which the store reports.
class FinderWorkspaceService final : public FinderWorkspaceServicing
{
public:
    explicit FinderWorkspaceService(QDBusConnection bus = QDBusConnection::sessionBus());

    bool openInNewWindow(const QUrl& directory) noexcept override;
    // A folder (or a package, which is one on disk) opens in a file-manager window instead.
    bool open(const QUrl& file) noexcept override;
    void reveal(const QUrl& file) noexcept override;

private:
    // Waits for the file manager's answer, starting it first if the bus can. False when no file
    // manager offers the interface, it answers with an error, or it does not answer in time.
    bool askFileManager(const QString& method, const QUrl& location) noexcept;

    QDBusConnection bus_;
};
