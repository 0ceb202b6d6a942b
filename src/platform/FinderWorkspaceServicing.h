#pragma once

#include <QUrl>

// The store's view of the desktop's file manager: open a vault's volume in a new window, open
// an item with its default application, reveal an item. Each call answers at once and never
// throws; the store turns a refusal into its own message.
class FinderWorkspaceServicing
{
public:
    virtual ~FinderWorkspaceServicing() = default;

    // Opens a new file-manager window on `directory` (standardized). True when the request
    // was accepted.
    virtual bool openInNewWindow(const QUrl& directory) noexcept = 0;
    // Opens `file` with its default application. True when the request was accepted.
    virtual bool open(const QUrl& file) noexcept = 0;
    // Shows `file`, and only it, selected in a file-manager window. The store treats this as
    // always successful.
    virtual void reveal(const QUrl& file) noexcept = 0;
};
