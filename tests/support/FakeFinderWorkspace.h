#pragma once

#include "platform/FinderWorkspaceServicing.h"

#include <QList>
#include <QUrl>

// A file manager for the store's tests: it records what it was asked to open or reveal and
// accepts or refuses as told.
class FakeFinderWorkspace final : public FinderWorkspaceServicing
{
public:
    bool openInNewWindow(const QUrl& directory) noexcept override
    {
        openedWindows.append(directory);
        return accepts;
    }
    bool open(const QUrl& file) noexcept override
    {
        openedFiles.append(file);
        return accepts;
    }
    void reveal(const QUrl& file) noexcept override { revealed.append(file); }

    bool accepts = true;
    QList<QUrl> openedWindows;
    QList<QUrl> openedFiles;
    QList<QUrl> revealed;
};
