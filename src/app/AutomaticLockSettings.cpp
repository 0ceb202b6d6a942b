#include "app/AutomaticLockSettings.h"

#include <algorithm>

namespace {

const QString screenKey = QStringLiteral("automaticLock/whenScreenLocks");
const QString sleepKey = QStringLiteral("automaticLock/beforeSleep");
const QString idleKey = QStringLiteral("automaticLock/idleMinutes");
constexpr int defaultIdleMinutes = 15;

} // namespace

AutomaticLockSettings::AutomaticLockSettings(QObject* parent)
    : QObject(parent)
    , settings_(QStringLiteral("Kovara"), QStringLiteral("Kovara"))
{
}

bool AutomaticLockSettings::locksWithScreen() const
{
    return settings_.value(screenKey, true).toBool();
}

void AutomaticLockSettings::setLocksWithScreen(bool locks)
{
    write(screenKey, locks);
}

bool AutomaticLockSettings::locksBeforeSleep() const
{
    return settings_.value(sleepKey, true).toBool();
}

void AutomaticLockSettings::setLocksBeforeSleep(bool locks)
{
    write(sleepKey, locks);
}

int AutomaticLockSettings::idleMinutes() const
{
    // A hand-edited value that the menu does not offer falls back to the default.
    const int minutes = settings_.value(idleKey, defaultIdleMinutes).toInt();
    return std::find(idleChoices.cbegin(), idleChoices.cend(), minutes) != idleChoices.cend() ? minutes
                                                                                              : defaultIdleMinutes;
}

void AutomaticLockSettings::setIdleMinutes(int minutes)
{
    write(idleKey, minutes);
}

void AutomaticLockSettings::write(const QString& key, const QVariant& value)
{
    if (settings_.value(key) == value) {
        return;
    }
    settings_.setValue(key, value);
    emit changed();
}
