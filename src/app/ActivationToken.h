#pragma once

#include <QString>
#include <QVariantMap>

// What a launcher hands the program it starts so that the desktop lets that program's window
// come to the front (focus-stealing prevention lets through only windows the user asked for):
// an xdg-activation token on Wayland, a startup-notification id on X11. A later `kovara` passes
// the one it was given to the running instance, whose window is the one that must come forward.
struct ActivationToken
{
    QString xdgActivationToken;
    QString desktopStartupID;

    // Both as this process was started with them (XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID).
    static ActivationToken fromEnvironment();

    // The platform data of the freedesktop application interface: "activation-token" and
    // "desktop-startup-id", each present only when set.
    QVariantMap toPlatformData() const;
    static ActivationToken fromPlatformData(const QVariantMap& platformData);

    bool operator==(const ActivationToken&) const = default;
};
