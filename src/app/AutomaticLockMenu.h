#pragma once

#include <QList>

class AutomaticLockSettings;
class QAction;
class QWidget;

// The Kovara menu's automatic-locking entries: two check items and the idle-time submenu, each
// showing and changing the settings.
class AutomaticLockMenu
{
public:
    static QList<QAction*> actions(AutomaticLockSettings& settings, QWidget* parent);
};
