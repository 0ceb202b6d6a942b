#pragma once

#include <QProcess>
#include <QString>

// A D-Bus session bus of the test's own, so that the application it starts cannot meet another
// Kovara (the developer's, or one of a test running alongside) on a shared bus.
class PrivateSessionBus
{
public:
    PrivateSessionBus();
    ~PrivateSessionBus();

    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool isRunning() const { return !address_.isEmpty(); }
    // For DBUS_SESSION_BUS_ADDRESS.
    const QString& address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};
