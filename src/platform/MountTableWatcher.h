#pragma once

#include "posix/UniqueFd.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Tells when the system's mount table changes (a volume mounted or unmounted by anyone, a FUSE
// daemon that unmounted itself included). The kernel marks /proc/self/mountinfo as having an
// exceptional condition after every change; a burst of changes is reported once.
class MountTableWatcher : public QObject
{
    Q_OBJECT

public:
    explicit MountTableWatcher(QObject* parent = nullptr);

    // Every mount point in the table now, as plain paths; empty when it cannot be read.
    static QSet<QString> mountPoints();

signals:
    void changed();

private:
    UniqueFd mountTable_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer settle_;
};
