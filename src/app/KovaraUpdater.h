#pragma once

#include "app/UpdateCheckResult.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <optional>

class QNetworkReply;

// Checks the update feed fixed at build time for a version newer than the running one. A
// check runs only over HTTPS (plain HTTP only to this machine's loopback address), one at a
// time; `canCheckForUpdates` is false while one runs and for a feed address that is not secure.
class KovaraUpdater : public QObject
{
    Q_OBJECT

public:
    // The feed and version this build was made with.
    explicit KovaraUpdater(QObject* parent = nullptr);
    KovaraUpdater(QUrl feedURL, QString currentVersion, QObject* parent = nullptr);

    // HTTPS anywhere, or HTTP to a loopback address (a feed served on this machine).
    static bool isSecureLocation(const QUrl& url);

    bool canCheckForUpdates() const;
    const QString& currentVersion() const { return currentVersion_; }

    // Starts a check; `checkFinished` reports it. Does nothing while it cannot check.
    void checkForUpdates();

signals:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);
    void checkFinished(const UpdateCheckResult& result);

private:
    // A check abandoned on purpose (an insecure redirect, an oversized answer) carries its reason.
    void finishCheck(QNetworkReply* reply, const std::optional<QString>& abandonReason);
    UpdateCheckResult resultOf(QNetworkReply* reply) const;
    void setChecking(bool checking);

    QUrl feedURL_;
    QString currentVersion_;
    QNetworkAccessManager network_;
    bool isChecking_ = false;
};
