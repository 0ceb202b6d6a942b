#include "finder/FinderImportCoordinator.h"

#include "finder/FinderServiceInput.h"
#include "platform/FileLocation.h"

#include <QSet>

FinderImportCoordinator::FinderImportCoordinator(QObject* parent) : QObject(parent)
{
}

void FinderImportCoordinator::setPresented(bool presented)
{
    if (isPresented_ == presented) {
        return;
    }
    isPresented_ = presented;
    emit isPresentedChanged(isPresented_);
}

void FinderImportCoordinator::receive(const QList<QUrl>& urls)
{
    const QList<QUrl> normalized = FinderServiceInput::normalizedFileURLs(urls);
    if (normalized.isEmpty()) {
        return;
    }
    if (!request_) {
        setRequest(FinderImportRequest{QUuid::createUuid(), normalized});
        setPresented(true);
        return;
    }
    setRequest(FinderImportRequest{request_->id, FinderServiceInput::normalizedFileURLs(request_->urls + normalized)});
}

void FinderImportCoordinator::presentPendingRequest()
{
    if (request_) {
        setPresented(true);
    }
}

void FinderImportCoordinator::complete(const QUuid& requestID, const QList<QUrl>& completedURLs)
{
    if (!request_ || request_->id != requestID) {
        return;
    }
    QSet<QString> completedPaths;
    for (const QUrl& url : completedURLs) {
        completedPaths.insert(FileLocation::standardizedFileURL(url).toLocalFile());
    }
    QList<QUrl> remaining;
    for (const QUrl& url : request_->urls) {
        if (!completedPaths.contains(FileLocation::standardizedFileURL(url).toLocalFile())) {
            remaining.append(url);
        }
    }
    if (remaining.isEmpty()) {
        setRequest(std::nullopt);
        setPresented(false);
    } else {
        setRequest(FinderImportRequest{request_->id, remaining});
        setPresented(true);
    }
}

void FinderImportCoordinator::cancel()
{
    setRequest(std::nullopt);
    setPresented(false);
}

void FinderImportCoordinator::setRequest(std::optional<FinderImportRequest> request)
{
    if (request_ == request) {
        return;
    }
    request_ = std::move(request);
    emit requestChanged();
}
