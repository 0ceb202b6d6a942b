#include "platform/PosixError.h"

#include "platform/PathError.h"

void throwPosixError(int errorNumber, const QString& path)
{
    if (path.isEmpty()) {
        throw std::system_error(errorNumber, posixCategory());
    }
    throw PathError(errorNumber, path);
}

QString posixErrorText(int errorNumber)
{
    return QString::fromStdString(posixCategory().message(errorNumber));
}
