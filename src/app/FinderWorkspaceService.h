#pragma once

#include "platform/FinderWorkspaceServicing.h"

#include <QDBusConnection>
#include <QString>
#include <QUrl>

// The desktop's file manager, through the freedesktop FileManager1 interface (a new window on
// a folder, an item shown selected), and the desktop's default application for a file. The
// file manager's answer is awaited without blocking the window.
//
// A folder is opened only through FileManager1. Only revealing, when no file manager answers,
// hands the item's folder to the desktop's default folder handler, so that the user sees the
// item at least in its folder; never when that handler is Kovara itself, which would offer to
// import the folder into a vault instead.
class FinderWorkspaceService final : public FinderWorkspaceServicing
{
public:
    explicit FinderWorkspaceService(QDBusConnection bus = QDBusConnection::sessionBus());

    QCoro::Task<bool> openInNewWindow(QUrl directory) override;
    // A folder (or a package, which is one on disk) opens in a file-manager window instead.
    QCoro::Task<bool> open(QUrl file) override;
    QCoro::Task<> reveal(QUrl file) override;

private:
    // Awaits the file manager's answer, the bus starting one first if it can. False when no file
    // manager offers the interface, it answers with an error, or it does not answer in time.
    QCoro::Task<bool> askFileManager(QString method, QUrl location);

    QDBusConnection bus_;
};
