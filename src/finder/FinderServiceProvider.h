#pragma once

#include "finder/FinderPasteboard.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// The entry through which senders (a second `kovara FOLDER…`, a drop on the window, any
// session-bus client) hand folders to the running application. It reads the pasteboard and
// passes the folders on; it keeps no state of its own.
class FinderServiceProvider
{
public:
    using RequestHandler = std::function<void(const QList<QUrl>&)>;

    // The text the sender gets back when nothing on its pasteboard names a usable folder.
    static QString noValidFolderMessage();

    explicit FinderServiceProvider(RequestHandler requestHandler);

    // Hands the pasteboard's folders to the request handler. Returns the error text for the
    // sender when there were none (the handler is then not called), nothing on success.
    std::optional<QString> addToKovara(const FinderPasteboard& pasteboard) const;

private:
    RequestHandler requestHandler_;
};
