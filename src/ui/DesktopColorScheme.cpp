#include "ui/DesktopColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

// The portal's values: 0 no preference, 1 prefers dark, 2 prefers light; desktops draw
// light when there is no preference.
constexpr uint prefersDark = 1;

// Read wraps the value in one more variant than SettingChanged does.
QVariant unwrapped(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

bool namesDarkTheme(const QString& themeName)
{
    return themeName.contains(QLatin1String("dark"), Qt::CaseInsensitive);
}

// Desktops without the portal keep the choice in their own settings: GTK_THEME ("Adwaita:dark"),
// GTK's settings.ini (a dark theme or the dark-variant switch) and KDE's colour scheme name.
bool settingsPreferDark()
{
    if (namesDarkTheme(qEnvironmentVariable("GTK_THEME"))) {
        return true;
    }
    const QString configuration = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QString& gtk : {QStringLiteral("/gtk-4.0/settings.ini"), QStringLiteral("/gtk-3.0/settings.ini")}) {
        const QSettings settings(configuration + gtk, QSettings::IniFormat);
        if (settings.value(QStringLiteral("Settings/gtk-application-prefer-dark-theme")).toBool() ||
            namesDarkTheme(settings.value(QStringLiteral("Settings/gtk-theme-name")).toString())) {
            return true;
        }
    }
    const QSettings kde(configuration + QStringLiteral("/kdeglobals"), QSettings::IniFormat);
    return namesDarkTheme(kde.value(QStringLiteral("General/ColorScheme")).toString());
}

} // namespace

DesktopColorScheme::DesktopColorScheme(QObject* parent) : QObject(parent)
{
    // The settings' answer counts until the portal's arrives; the portal's wins where it exists.
    if (settingsPreferDark()) {
        reported_ = ColorScheme::dark;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // The slot takes the whole message: Qt 6.4 fails to match this signal to a slot taking its
    // arguments one by one.
    bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), QStringLiteral("ssv"),
                this, SLOT(settingChanged(QDBusMessage)));
    QDBusMessage read =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, QStringLiteral("Read"));
    read << appearance << colorSchemeKey;
    auto* call = new QDBusPendingCallWatcher(bus.asyncCall(read), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, &DesktopColorScheme::readAnswer);
}

void DesktopColorScheme::settingChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() == 3 && arguments.at(0).toString() == appearance &&
        arguments.at(1).toString() == colorSchemeKey) {
        report(arguments.at(2));
    }
}

void DesktopColorScheme::readAnswer(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    if (!reply.isError()) {
        report(reply.value().variant());
    }
}

void DesktopColorScheme::report(const QVariant& preference)
{
    bool isNumber = false;
    const uint wanted = unwrapped(preference).toUInt(&isNumber);
    if (!isNumber) {
        return;
    }
    const ColorScheme scheme = wanted == prefersDark ? ColorScheme::dark : ColorScheme::light;
    if (scheme != reported_) {
        reported_ = scheme;
        emit changed(scheme);
    }
}
