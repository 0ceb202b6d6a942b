#include "platform/MountTableWatcher.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>

namespace {

// Long enough for an attach or a detach (a mount and its folder) to count as one change.
constexpr int settleMilliseconds = 300;

// The table writes a space, a tab, a line break and a backslash in a path as octal escapes.
QByteArray unescaped(const QByteArray& field)
{
    QByteArray path;
    for (qsizetype index = 0; index < field.size(); ++index) {
        bool isOctal = false;
        const int code =
            index + 3 < field.size() && field[index] == '\\' ? field.mid(index + 1, 3).toInt(&isOctal, 8) : 0;
        if (isOctal) {
            path.append(char(code));
            index += 3;
        } else {
            path.append(field[index]);
        }
    }
    return path;
}

} // namespace

QSet<QString> MountTableWatcher::mountPoints()
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    QSet<QString> points;
    if (!table.open(QIODevice::ReadOnly)) {
        return points;
    }
    // Each line: id, parent id, device, root, mount point, ...
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4) {
            points.insert(QFile::decodeName(unescaped(fields[4])));
        }
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
