#include "disktools/VolumeHolders.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <climits>
#include <unistd.h>

namespace {

QString linkTarget(const QString& link)
{
    std::array<char, PATH_MAX> target;
    const ssize_t length = ::readlink(QFile::encodeName(link).constData(), target.data(), target.size());
    if (length <= 0 || std::size_t(length) >= target.size()) {
        return {};
    }
    return QFile::decodeName(QByteArray(target.data(), length));
}

class VolumeTest
{
public:
    explicit VolumeTest(const QString& mountPoint) : mountPoint_(mountPoint), prefix_(mountPoint + u'/') {}

    bool contains(const QString& path) const { return path == mountPoint_ || path.startsWith(prefix_); }

private:
    QString mountPoint_;
    QString prefix_;
};

bool anyOpenFileInside(const QString& processFolder, const VolumeTest& volume)
{
    const QString fdFolder = processFolder + "/fd";
    for (const QString& fd : QDir(fdFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (volume.contains(linkTarget(fdFolder + u'/' + fd))) {
            return true;
        }
    }
    return false;
}

bool anyMappingInside(const QString& processFolder, const VolumeTest& volume)
{
    QFile maps(processFolder + "/maps");
    if (!maps.open(QIODevice::ReadOnly)) {
        return false;
    }
    // "address perms offset device inode path": only the path contains a "/".
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && volume.contains(QFile::decodeName(line.mid(slash)))) {
            return true;
        }
    }
    return false;
}

QString executableOf(const QString& processFolder)
{
    QString path = linkTarget(processFolder + "/exe");
    if (path.endsWith(" (deleted)")) {
        path.chop(int(sizeof(" (deleted)") - 1));
    }
    if (!path.isEmpty()) {
        return path;
    }
    QFile comm(processFolder + "/comm");
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

} // namespace

std::vector<VolumeHolders::Holder> VolumeHolders::of(const QString& mountPoint)
{
    const VolumeTest volume(mountPoint);
    std::vector<Holder> holders;
    const pid_t self = ::getpid();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isProcess = false;
        const pid_t pid = pid_t(entry.toInt(&isProcess));
        if (!isProcess || pid == self) {
            continue;
        }
        const QString folder = "/proc/" + entry;
        if (volume.contains(linkTarget(folder + "/cwd")) || volume.contains(linkTarget(folder + "/root")) ||
            anyOpenFileInside(folder, volume) || anyMappingInside(folder, volume)) {
            holders.push_back({pid, executableOf(folder)});
        }
    }
    std::sort(holders.begin(), holders.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
    return holders;
}
