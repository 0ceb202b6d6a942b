#include "app/KovaraInstanceService.h"

#include "finder/FinderImportCoordinator.h"
#include "finder/FinderServiceProvider.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

const QString KovaraInstanceService::serviceName = QStringLiteral("com.kovara.Kovara");
const QString KovaraInstanceService::objectPath = QStringLiteral("/com/kovara/Kovara");
const QString KovaraInstanceService::interfaceName = QStringLiteral("com.kovara.Kovara");
const QString KovaraInstanceService::noValidFolderError = QStringLiteral("com.kovara.Kovara.Error.NoValidFolder");

KovaraInstanceService::KovaraInstanceService(const FinderServiceProvider& provider,
                                             const FinderImportCoordinator& coordinator, ActivateWindow activate,
                                             QObject* parent)
    : QObject(parent)
    , provider_(provider)
    , coordinator_(coordinator)
    , activate_(std::move(activate))
{
}

bool KovaraInstanceService::registerOn(QDBusConnection bus)
{
    // The object goes first so that a caller who sees the name always finds the object.
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)) {
        return false;
    }
    if (!bus.registerService(serviceName)) {
        bus.unregisterObject(objectPath);
        return false;
    }
    return true;
}

std::optional<QString> KovaraInstanceService::sendToRunningInstance(const QDBusConnection& bus,
                                                                    const std::optional<FinderPasteboard>& pasteboard,
                                                                    const ActivationToken& token)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                       pasteboard ? QStringLiteral("AddToKovara") : QStringLiteral("Activate"));
    if (pasteboard) {
        call << pasteboard->toVariantMap();
    }
    call << token.toPlatformData();
    const QDBusMessage reply = bus.call(call);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return reply.errorMessage();
    }
    return std::nullopt;
}

QStringList KovaraInstanceService::pendingFolders() const
{
    QStringList folders;
    if (coordinator_.request()) {
        for (const QUrl& url : coordinator_.request()->urls) {
            folders.append(url.toString(QUrl::FullyEncoded));
        }
    }
    return folders;
}

void KovaraInstanceService::AddToKovara(const QVariantMap& pasteboard, const QVariantMap& platformData)
{
    if (const auto error = provider_.addToKovara(FinderPasteboard::fromVariantMap(pasteboard))) {
        sendErrorReply(noValidFolderError, *error);
        return;
    }
    activate_(ActivationToken::fromPlatformData(platformData));
}

void KovaraInstanceService::Activate(const QVariantMap& platformData)
{
    activate_(ActivationToken::fromPlatformData(platformData));
}
