#include "app/ActivationToken.h"

namespace {

const QString activationTokenKey = QStringLiteral("activation-token");
const QString desktopStartupIDKey = QStringLiteral("desktop-startup-id");

// A sender may put anything under these names; only a string can be a token.
QString stringUnder(const QVariantMap& platformData, const QString& key)
{
    const QVariant value = platformData.value(key);
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

ActivationToken ActivationToken::fromEnvironment()
{
    return {qEnvironmentVariable("XDG_ACTIVATION_TOKEN"), qEnvironmentVariable("DESKTOP_STARTUP_ID")};
}

QVariantMap ActivationToken::toPlatformData() const
{
    QVariantMap platformData;
    if (!xdgActivationToken.isEmpty()) {
        platformData.insert(activationTokenKey, xdgActivationToken);
    }
    if (!desktopStartupID.isEmpty()) {
        platformData.insert(desktopStartupIDKey, desktopStartupID);
    }
    return platformData;
}

ActivationToken ActivationToken::fromPlatformData(const QVariantMap& platformData)
{
    return {stringUnder(platformData, activationTokenKey), stringUnder(platformData, desktopStartupIDKey)};
}
