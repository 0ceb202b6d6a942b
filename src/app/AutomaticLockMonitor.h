#pragma once

#include "platform/MountTableWatcher.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

class AutomaticLockSettings;
class VaultStore;

// Locks the vaults by themselves, as the settings ask:
// - when the desktop session locks: logind's Lock for this session (system bus), or a screen
//   saver's ActiveChanged(true) (org.freedesktop.ScreenSaver or org.gnome.ScreenSaver, session
//   bus);
// - before the machine sleeps: logind's PrepareForSleep(true), while a delay lock taken in
//   advance holds the sleep back until the vaults are locked (logind waits only so long);
// - after sitting idle: gocryptfs unmounts the volume itself, given the time at each unlock;
//   a change of the mount table makes the store look again and say which vault locked.
// Without a bus or logind, that trigger is simply missing; nothing else changes.
class AutomaticLockMonitor : public QObject
{
    Q_OBJECT

public:
    AutomaticLockMonitor(VaultStore& store, AutomaticLockSettings& settings, QDBusConnection sessionBus,
                         QDBusConnection systemBus, QObject* parent = nullptr);

private slots:
    void screenSaverActiveChanged(bool active);
    void sessionLocked();
    void prepareForSleep(bool starting);

private:
    void applySettings();
    void checkVaultsStillMounted();
    void watchSessionLock();
    // Takes logind's delay lock for sleep when locking before sleep is wanted, releases it
    // otherwise.
    void holdSleepBack(bool hold);
    QCoro::Task<> lockThenLetSleep();

    VaultStore& store_;
    AutomaticLockSettings& settings_;
    QDBusConnection systemBus_;
    QDBusUnixFileDescriptor sleepDelay_;
    bool isRequestingSleepDelay_ = false;
    bool recheckWhenIdle_ = false;
    MountTableWatcher mountTable_;
};
