#include "store/AutomaticLockNotice.h"

namespace {

QString why(AutomaticLockNotice::Cause cause)
{
    switch (cause) {
    case AutomaticLockNotice::Cause::screenLocked:
        return QStringLiteral(" ao bloquear a tela.");
    case AutomaticLockNotice::Cause::sleep:
        return QStringLiteral(" antes da suspensão.");
    case AutomaticLockNotice::Cause::inactivity:
        return QStringLiteral(" por inatividade.");
    case AutomaticLockNotice::Cause::elsewhere:
        return QStringLiteral(" fora do Kovara.");
    }
    return QStringLiteral(".");
}

// “A”; “A” e “B”; “A”, “B” e “C”.
QString quotedList(const QStringList& names)
{
    QStringList quoted;
    for (const QString& name : names) {
        quoted.append(QStringLiteral("“") + name + QStringLiteral("”"));
    }
    const QString last = quoted.takeLast();
    return quoted.isEmpty() ? last : quoted.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
}

} // namespace

QString AutomaticLockNotice::text(const QStringList& vaultNames, Cause cause)
{
    const bool one = vaultNames.size() == 1;
    return (one ? QStringLiteral("Cofre ") : QStringLiteral("Cofres ")) + quotedList(vaultNames) +
           (one ? QStringLiteral(" bloqueado") : QStringLiteral(" bloqueados")) + why(cause);
}
