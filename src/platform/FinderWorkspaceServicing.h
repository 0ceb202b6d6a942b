#pragma once

#include <QUrl>

#include <qcoro/qcorotask.h>

// The store's view of the desktop's file manager: open a vault's volume in a new window, open
// an item with its default application, reveal an item. Each call resumes its caller once the
// desktop has answered (the window stays responsive meanwhile) and never throws; the store
// turns a refusal into its own message.
class FinderWorkspaceServicing
{
public:
    virtual ~FinderWorkspaceServicing() = default;

    // Opens a new file-manager window on `directory` (standardized). True when the request
    // was accepted.
    virtual QCoro::Task<bool> openInNewWindow(QUrl directory) = 0;
    // Opens `file` with its default application. True when the request was accepted.
    virtual QCoro::Task<bool> open(QUrl file) = 0;
    // Shows `file`, and only it, selected in a file-manager window, or at least the folder that
    // holds it. The store treats this as always successful.
    virtual QCoro::Task<> reveal(QUrl file) = 0;
};
