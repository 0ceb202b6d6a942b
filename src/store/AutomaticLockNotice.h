#pragma once

#include <QString>
#include <QStringList>

// The notice for vaults that locked without the user asking: it names each vault and says why,
// since the user may come back to the window long afterwards. "Cofre “Fotos” bloqueado por
// inatividade."; several vaults share one sentence.
struct AutomaticLockNotice
{
    enum class Cause {
        // The desktop session's screen was locked.
        screenLocked,
        // The machine was about to go to sleep.
        sleep,
        // The volume unmounted itself after the idle time the user chose.
        inactivity,
        // The volume left the system while no idle time was set: someone else unmounted it.
        elsewhere
    };

    // `vaultNames` holds at least one name.
    static QString text(const QStringList& vaultNames, Cause cause);
};
