#include "disktools/MountTable.h"

#include "disktools/ToolFailure.h"
#include "platform/PosixError.h"

#include <QFile>
#include <QList>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

QString decodedPath(QByteArrayView field)
{
    return QFile::decodeName(MountTable::decodeField(field));
}

} // namespace

MountTable MountTable::read()
{
    const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw ToolFailure("Não foi possível ler a lista de montagens: " + posixErrorText(errno));
    }
    QByteArray text;
    std::array<char, std::size_t{64} * 1024> chunk;
    while (true) {
        const ssize_t count = ::read(fd, chunk.data(), chunk.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            throw ToolFailure("Não foi possível ler a lista de montagens: " + posixErrorText(error));
        }
        if (count == 0) {
            break;
        }
        text.append(chunk.data(), count);
    }
    ::close(fd);
    return parse(text);
}

MountTable MountTable::parse(QByteArrayView text)
{
    MountTable table;
    for (const QByteArray& line : text.toByteArray().split('\n')) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 6 || separator < 0 || separator + 2 >= fields.size()) {
            continue;
        }
        const QList<QByteArray> device = fields[2].split(':');
        bool majorOk = false;
        bool minorOk = false;
        MountInfoEntry entry;
        if (device.size() == 2) {
            entry.deviceMajor = device[0].toUInt(&majorOk);
            entry.deviceMinor = device[1].toUInt(&minorOk);
        }
        if (!majorOk || !minorOk) {
            continue;
        }
        entry.root = decodedPath(fields[3]);
        entry.mountPoint = decodedPath(fields[4]);
        entry.fileSystemType = QString::fromUtf8(decodeField(fields[separator + 1]));
        entry.source = decodedPath(fields[separator + 2]);
        if (separator + 3 < fields.size()) {
            for (const QByteArray& option : fields[separator + 3].split(',')) {
                bool isNumber = false;
                if (option.startsWith("user_id=")) {
                    const unsigned user = option.mid(8).toUInt(&isNumber);
                    entry.ownerUserId = isNumber ? std::optional<unsigned>(user) : std::nullopt;
                }
                entry.isSharedWithOtherUsers = entry.isSharedWithOtherUsers || option == "allow_other";
            }
        }
        table.entries_.push_back(std::move(entry));
    }
    return table;
}

QByteArray MountTable::decodeField(QByteArrayView field)
{
    QByteArray decoded;
    decoded.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1]) && isOctalDigit(field[i + 2]) &&
            isOctalDigit(field[i + 3])) {
            decoded.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            decoded.append(field[i]);
        }
    }
    return decoded;
}
