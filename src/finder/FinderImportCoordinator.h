#pragma once

#include "finder/FinderImportRequest.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QUuid>

#include <optional>

// Holds the folders the file manager sent until the user picks a destination vault, cancels,
// or the import completes. Calls arriving before the user acts merge into one request. Lives on
// the GUI thread; every change signal fires only when the value really changed.
class FinderImportCoordinator : public QObject
{
    Q_OBJECT

public:
    explicit FinderImportCoordinator(QObject* parent = nullptr);

    const std::optional<FinderImportRequest>& request() const { return request_; }
    // True while the Finder import sheet is shown.
    bool isPresented() const { return isPresented_; }

    // The sheet reports its own dismissal here; a pending request then waits for the banner.
    void setPresented(bool presented);

    // Adds folders (normalized) to the pending request, creating and presenting it when none is
    // pending; a dismissed sheet stays dismissed.
    void receive(const QList<QUrl>& urls);
    // Shows the sheet again for a pending request.
    void presentPendingRequest();
    // Drops the sources an import finished; a completion for an older request is ignored.
    void complete(const QUuid& requestID, const QList<QUrl>& completedURLs);
    // Drops the request.
    void cancel();

signals:
    void requestChanged();
    void isPresentedChanged(bool isPresented);

private:
    void setRequest(std::optional<FinderImportRequest> request);

    std::optional<FinderImportRequest> request_;
    bool isPresented_ = false;
};
