#include "app/AutomaticLockMonitor.h"

#include "app/AutomaticLockSettings.h"
#include "store/VaultStore.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QPointer>

#include <chrono>
#include <functional>

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");

// A logind call answered on the GUI thread whenever it comes; `answered` gets the reply.
void callLogind(const QDBusConnection& bus, const QString& method, const QVariantList& arguments, QObject* context,
                const std::function<void(const QDBusMessage&)>& answered)
{
    QDBusMessage call = QDBusMessage::createMethodCall(login1, login1Path, login1Manager, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, answered] {
        watcher->deleteLater();
        answered(watcher->reply());
    });
}

} // namespace

AutomaticLockMonitor::AutomaticLockMonitor(VaultStore& store, AutomaticLockSettings& settings,
                                           QDBusConnection sessionBus, QDBusConnection systemBus, QObject* parent)
    : QObject(parent)
    , store_(store)
    , settings_(settings)
    , systemBus_(std::move(systemBus))
{
    // Any sender and any path: desktops publish their screen saver under different names.
    for (const QString& interface :
         {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")}) {
        sessionBus.connect(QString(), QString(), interface, QStringLiteral("ActiveChanged"), this,
                           SLOT(screenSaverActiveChanged(bool)));
    }
    systemBus_.connect(login1, login1Path, login1Manager, QStringLiteral("PrepareForSleep"), this,
                       SLOT(prepareForSleep(bool)));
    watchSessionLock();
    connect(&mountTable_, &MountTableWatcher::changed, this, &AutomaticLockMonitor::checkVaultsStillMounted);
    connect(&store_, &VaultStore::isBusyChanged, this, [this] {
        if (recheckWhenIdle_ && !store_.isBusy()) {
            checkVaultsStillMounted();
        }
    });
    connect(&settings_, &AutomaticLockSettings::changed, this, &AutomaticLockMonitor::applySettings);
    applySettings();
}

void AutomaticLockMonitor::applySettings()
{
    store_.setIdleLockTimeout(std::chrono::minutes(settings_.idleMinutes()));
    holdSleepBack(settings_.locksBeforeSleep());
}

void AutomaticLockMonitor::watchSessionLock()
{
    // "auto": the session this process runs in, or else the user's graphical session.
    callLogind(systemBus_, QStringLiteral("GetSession"), {QStringLiteral("auto")}, this,
               [this](const QDBusMessage& reply) {
                   if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                       return;
                   }
                   const QString session = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
                   systemBus_.connect(login1, session, QStringLiteral("org.freedesktop.login1.Session"),
                                      QStringLiteral("Lock"), this, SLOT(sessionLocked()));
               });
}

void AutomaticLockMonitor::checkVaultsStillMounted()
{
    // A running operation may be mounting or ejecting itself; what it leaves is judged after it.
    if (store_.isBusy()) {
        recheckWhenIdle_ = true;
        return;
    }
    recheckWhenIdle_ = false;
    // Other programs mount and unmount all the time; the store looks again only when one of its
    // vaults has left the table.
    const QSet<QString> mounted = MountTableWatcher::mountPoints();
    for (const VaultSession& session : store_.sessions()) {
        if (!mounted.contains(QDir::cleanPath(session.mountPoint.toLocalFile()))) {
            store_.refreshAfterMountChange();
            return;
        }
    }
}

void AutomaticLockMonitor::screenSaverActiveChanged(bool active)
{
    if (active) {
        sessionLocked();
    }
}

void AutomaticLockMonitor::sessionLocked()
{
    if (settings_.locksWithScreen()) {
        store_.lockUnlockedVaults(AutomaticLockNotice::Cause::screenLocked);
    }
}

void AutomaticLockMonitor::prepareForSleep(bool starting)
{
    if (!starting) {
        // Awake again: hold the next sleep back too.
        holdSleepBack(settings_.locksBeforeSleep());
    } else if (settings_.locksBeforeSleep()) {
        lockThenLetSleep();
    }
}

QCoro::Task<> AutomaticLockMonitor::lockThenLetSleep()
{
    const QPointer<AutomaticLockMonitor> self(this);
    co_await store_.lockUnlockedVaults(AutomaticLockNotice::Cause::sleep);
    if (self) {
        // Closing the lock's descriptor lets the machine go to sleep.
        holdSleepBack(false);
    }
}

void AutomaticLockMonitor::holdSleepBack(bool hold)
{
    if (!hold) {
        sleepDelay_ = QDBusUnixFileDescriptor();
        return;
    }
    if (sleepDelay_.isValid() || isRequestingSleepDelay_) {
        return;
    }
    isRequestingSleepDelay_ = true;
    callLogind(systemBus_, QStringLiteral("Inhibit"),
               {QStringLiteral("sleep"), QStringLiteral("Kovara"),
                QStringLiteral("Bloquear os cofres antes de suspender"), QStringLiteral("delay")},
               this, [this](const QDBusMessage& reply) {
                   isRequestingSleepDelay_ = false;
                   // The setting may have been turned off while logind answered.
                   if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                       settings_.locksBeforeSleep()) {
                       sleepDelay_ = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
                   }
               });
}
