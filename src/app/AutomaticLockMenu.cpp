#include "app/AutomaticLockMenu.h"

#include "app/AutomaticLockSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

QAction* checkItem(const QString& title, bool checked, QWidget* parent)
{
    auto* action = new QAction(title, parent);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

QString idleTitle(int minutes)
{
    return minutes == 0 ? QStringLiteral("Nunca") : QStringLiteral("%1 minutos").arg(minutes);
}

} // namespace

QList<QAction*> AutomaticLockMenu::actions(AutomaticLockSettings& settings, QWidget* parent)
{
    QAction* screen =
        checkItem(QStringLiteral("Bloquear cofres ao bloquear a tela"), settings.locksWithScreen(), parent);
    QObject::connect(screen, &QAction::toggled, &settings, &AutomaticLockSettings::setLocksWithScreen);
    QAction* sleep =
        checkItem(QStringLiteral("Bloquear cofres antes de suspender"), settings.locksBeforeSleep(), parent);
    QObject::connect(sleep, &QAction::toggled, &settings, &AutomaticLockSettings::setLocksBeforeSleep);

    auto* idle = new QMenu(QStringLiteral("Bloquear após inatividade"), parent);
    auto* choices = new QActionGroup(idle);
    for (const int minutes : AutomaticLockSettings::idleChoices) {
        QAction* choice = checkItem(idleTitle(minutes), settings.idleMinutes() == minutes, idle);
        choices->addAction(choice);
        idle->addAction(choice);
        QObject::connect(choice, &QAction::triggered, &settings,
                         [&settings, minutes] { settings.setIdleMinutes(minutes); });
    }
    return {screen, sleep, idle->menuAction()};
}
