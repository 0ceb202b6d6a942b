#pragma once

#include "ui/KovaraPalette.h"

#include <QObject>

class QDBusMessage;
class QDBusPendingCallWatcher;

// The desktop's light or dark preference, as the desktop portal publishes it. It asks once
// without waiting for the answer, then listens for changes; a desktop without the portal, or
// without a preference, leaves the scheme as it is.
class DesktopColorScheme : public QObject
{
    Q_OBJECT

public:
    explicit DesktopColorScheme(QObject* parent = nullptr);

signals:
    // The preference differs from the last one reported.
    void changed(ColorScheme scheme);

private slots:
    void settingChanged(const QDBusMessage& message);

private:
    void readAnswer(QDBusPendingCallWatcher* call);
    void report(const QVariant& preference);

    ColorScheme reported_ = ColorScheme::light;
};
