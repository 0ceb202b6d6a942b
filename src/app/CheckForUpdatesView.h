#pragma once

#include "app/UpdateCheckResult.h"

#include <QObject>

class KovaraUpdater;
class QAction;
class QWidget;

// The "Verificar Atualizações…" menu item: enabled exactly while the updater can check, and
// telling the user what each check found in a window-modal message.
class CheckForUpdatesView : public QObject
{
    Q_OBJECT

public:
    // Messages appear over `window`, which must outlive this view.
    CheckForUpdatesView(KovaraUpdater& updater, QWidget* window);

    QAction* action() const { return action_; }

private:
    void present(const UpdateCheckResult& result);

    QWidget* window_;
    QAction* action_;
};
