#include "app/KovaraUpdater.h"

#include "app/Appcast.h"
#include "app/SoftwareVersion.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// A feed is a few kilobytes; a server that sends far more is not an update feed.
constexpr qint64 maximumFeedBytes = qint64{4} * 1024 * 1024;
// A silent server must not keep the menu item disabled for long.
constexpr int transferTimeoutMilliseconds = 30'000;

QString invalidResponseReason()
{
    return QStringLiteral("O servidor de atualizações enviou uma resposta inválida.");
}

} // namespace

KovaraUpdater::KovaraUpdater(QObject* parent)
    : KovaraUpdater(QUrl(QStringLiteral(KOVARA_APPCAST_URL)), QStringLiteral(KOVARA_VERSION), parent)
{
}

KovaraUpdater::KovaraUpdater(QUrl feedURL, QString currentVersion, QObject* parent)
    : QObject(parent)
    , feedURL_(std::move(feedURL))
    , currentVersion_(std::move(currentVersion))
{
}

bool KovaraUpdater::isSecureLocation(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty()) {
        return false;
    }
    if (url.scheme() == QLatin1String("https")) {
        return true;
    }
    // Loopback traffic never leaves the machine, so it cannot be tampered with on the way.
    return url.scheme() == QLatin1String("http") &&
           (QHostAddress(url.host()).isLoopback() || url.host() == QLatin1String("localhost"));
}

bool KovaraUpdater::canCheckForUpdates() const
{
    return !isChecking_ && isSecureLocation(feedURL_);
}

void KovaraUpdater::checkForUpdates()
{
    if (!canCheckForUpdates()) {
        return;
    }
    setChecking(true);

    QNetworkRequest request(feedURL_);
    // Every redirect is checked so that a secure feed cannot hand the check to an insecure one.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(transferTimeoutMilliseconds);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Kovara/%1").arg(currentVersion_));
    QNetworkReply* reply = network_.get(request);

    auto abandoned = std::make_shared<std::optional<QString>>();
    connect(reply, &QNetworkReply::redirected, this, [reply, abandoned](const QUrl& target) {
        if (isSecureLocation(target)) {
            emit reply->redirectAllowed();
        } else {
            *abandoned = QStringLiteral("O servidor de atualizações tentou usar uma conexão insegura.");
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [reply, abandoned](qint64 received, qint64) {
        if (received > maximumFeedBytes) {
            *abandoned = invalidResponseReason();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, abandoned] { finishCheck(reply, *abandoned); });
}

void KovaraUpdater::finishCheck(QNetworkReply* reply, const std::optional<QString>& abandonReason)
{
    const UpdateCheckResult result =
        abandonReason ? UpdateCheckResult::failure(currentVersion_, *abandonReason) : resultOf(reply);
    reply->deleteLater();
    setChecking(false);
    emit checkFinished(result);
}

UpdateCheckResult KovaraUpdater::resultOf(QNetworkReply* reply) const
{
    if (reply->error() != QNetworkReply::NoError) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400) {
            return UpdateCheckResult::failure(
                currentVersion_, QStringLiteral("O servidor de atualizações respondeu com o erro %1.").arg(status));
        }
        return UpdateCheckResult::failure(
            currentVersion_,
            QStringLiteral("Verifique sua conexão com a internet e tente de novo. (%1)").arg(reply->errorString()));
    }
    AppcastItem newest;
    try {
        newest = Appcast::newestItem(reply->readAll());
    } catch (const Appcast::FormatError&) {
        return UpdateCheckResult::failure(currentVersion_, invalidResponseReason());
    }
    if (SoftwareVersion(newest.version) <= SoftwareVersion(currentVersion_)) {
        return UpdateCheckResult{UpdateCheckResult::Outcome::upToDate, currentVersion_, newest.displayVersion, {}, {}};
    }
    const QUrl download = isSecureLocation(newest.downloadURL) ? newest.downloadURL : QUrl();
    return UpdateCheckResult{
        UpdateCheckResult::Outcome::updateAvailable, currentVersion_, newest.displayVersion, download, {}};
}

void KovaraUpdater::setChecking(bool checking)
{
    const bool couldCheck = canCheckForUpdates();
    isChecking_ = checking;
    if (canCheckForUpdates() != couldCheck) {
        emit canCheckForUpdatesChanged(canCheckForUpdates());
    }
}
