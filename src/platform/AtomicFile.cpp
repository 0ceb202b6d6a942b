#include "platform/AtomicFile.h"

#include "platform/PosixError.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

void AtomicFile::write(const QString& path, QByteArrayView contents, mode_t mode)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        throwPosixError(errno, path);
    }
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        throwPosixError(error, path);
    };
    qsizetype written = 0;
    while (written < contents.size()) {
        const ssize_t count = ::write(fd, contents.data() + written, std::size_t(contents.size() - written));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            fail(errno);
        }
        written += count;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        fail(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throwPosixError(error, path);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throwPosixError(error, path);
    }
}
