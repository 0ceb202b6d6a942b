#pragma once

#include "platform/FinderWorkspaceServicing.h"

#include <QList>
#include <QUrl>

// A file manager for the store's tests: it records what it was asked to open or reveal and
// accepts or refuses as told.
class FakeFinderWorkspace final : public FinderWorkspaceServicing
{
public:
    QCoro::Task<bool> openInNewWindow(QUrl directory) override
    {
        openedWindows.append(directory);
        co_return accepts;
    }
    QCoro::Task<bool> open(QUrl file) override
    {
        openedFiles.append(file);
        co_return accepts;
    }
    QCoro::Task<> reveal(QUrl file) override
    {
        revealed.append(file);
        co_return;
    }

    bool accepts = true;
    QList<QUrl> openedWindows;
    QList<QUrl> openedFiles;
    QList<QUrl> revealed;
};
