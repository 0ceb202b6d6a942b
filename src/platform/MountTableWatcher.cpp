#include "platform/MountTableWatcher.h"

#include "posix/MountTable.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <system_error>

namespace {

// Long enough for an attach or a detach (a mount and its folder) to count as one change.
constexpr int settleMilliseconds = 300;

} // namespace

QSet<QString> MountTableWatcher::mountPoints()
{
    QSet<QString> points;
    try {
        const MountTable table = MountTable::read();
        for (const MountInfoEntry& mount : table.entries()) {
            points.insert(QFile::decodeName(QByteArray::fromStdString(mount.mountPoint)));
        }
    } catch (const std::system_error&) {
        // An unreadable table lists nothing; the next change is read afresh.
    }
    return points;
}

MountTableWatcher::MountTableWatcher(QObject* parent)
    : QObject(parent)
    , mountTable_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
{
    settle_.setSingleShot(true);
    settle_.setInterval(settleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, &MountTableWatcher::changed);
    // Without the file (no /proc) nothing is reported; the next refresh still sees the truth.
    if (mountTable_.isValid()) {
        notifier_ = new QSocketNotifier(mountTable_.get(), QSocketNotifier::Exception, this);
        connect(notifier_, &QSocketNotifier::activated, &settle_, qOverload<>(&QTimer::start));
    }
}
