#include "disktools/MountBase.h"

#include "disktools/ToolFailure.h"
#include "platform/PosixError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype maximumFolderNameBytes = 200;
constexpr int maximumClashSuffix = 999;

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

QString MountBase::defaultLocation()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(u'/')) {
        return QDir(runtime).filePath("kovara");
    }
    return QString("/tmp/kovara-%1").arg(::geteuid());
}

MountBase MountBase::prepare(const QString& location)
{
    const QByteArray path = encoded(location);
    if (::mkdir(path.constData(), 0700) == 0) {
        // mkdir's mode is filtered through the umask; state the mode outright.
        ::chmod(path.constData(), 0700);
    } else if (errno != EEXIST) {
        throw ToolFailure("Não foi possível criar a pasta de montagem " + location + ": " + posixErrorText(errno));
    }
    struct stat status = {};
    if (::lstat(path.constData(), &status) != 0) {
        throw ToolFailure(location + ": " + posixErrorText(errno));
    }
    if (!S_ISDIR(status.st_mode)) {
        throw ToolFailure(location + " não é um diretório real; nenhum cofre será montado ali.");
    }
    if (status.st_uid != ::geteuid() || (status.st_mode & 07777) != 0700) {
        throw ToolFailure(location + " não é uma pasta particular deste usuário (dono próprio e permissões 0700); "
                                     "nenhum cofre será montado ali.");
    }
    return MountBase(QFileInfo(location).canonicalFilePath());
}

QString MountBase::claimFolder(const QString& volumeName) const
{
    const QString name = folderNameFor(volumeName);
    for (int suffix = 0; suffix <= maximumClashSuffix; ++suffix) {
        QString candidate = QDir(path_).filePath(suffix == 0 ? name : QString("%1 %2").arg(name).arg(suffix));
        const QByteArray path = encoded(candidate);
        // mkdir claims the name atomically: an existing entry of any kind (a link included) is a clash.
        if (::mkdir(path.constData(), 0700) != 0) {
            if (errno != EEXIST) {
                throw ToolFailure("Não foi possível criar a pasta de montagem " + candidate + ": " +
                                  posixErrorText(errno));
            }
            // Unless it is the empty folder a volume that unmounted itself (gocryptfs's idle
            // timeout) left behind: rmdir takes only an empty folder that nothing is mounted on,
            // and never follows a link.
            if (::rmdir(path.constData()) != 0 || ::mkdir(path.constData(), 0700) != 0) {
                continue;
            }
        }
        ::chmod(path.constData(), 0700);
        return candidate;
    }
    throw ToolFailure("Não há nome livre para a pasta de montagem de \"" + name + "\" em " + path_ + ".");
}

void MountBase::releaseFolder(const QString& mountPoint)
{
    const QString base = QFileInfo(defaultLocation()).canonicalFilePath();
    if (!base.isEmpty() && QFileInfo(mountPoint).path() == base) {
        // rmdir removes only an empty folder; anything else stays.
        ::rmdir(encoded(mountPoint).constData());
    }
}

QString MountBase::folderNameFor(const QString& volumeName)
{
    QString name;
    for (const QChar c : volumeName) {
        name.append(c == u'/' || c.category() == QChar::Other_Control ? QChar(u'-') : c);
    }
    if (name.isEmpty() || name == "." || name == "..") {
        name = "Cofre";
    }
    while (name.toUtf8().size() > maximumFolderNameBytes) {
        name.chop(name.back().isLowSurrogate() ? 2 : 1);
    }
    return name;
}
