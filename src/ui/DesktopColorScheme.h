#pragma once

#include "ui/KovaraPalette.h"

#include <QObject>

class QDBusMessage;
class QDBusPendingCallWatcher;

// The desktop's light or dark preference, as the desktop portal publishes it. It asks once
// without waiting for the answer, then listens for changes; until the portal answers, and on a
// desktop without it, GTK's and KDE's own settings decide.
class DesktopColorScheme : public QObject
{
    Q_OBJECT

public:
    explicit DesktopColorScheme(QObject* parent = nullptr);

    // The preference known so far: the desktop's own settings until the portal answers.
    ColorScheme scheme() const { return reported_; }

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
