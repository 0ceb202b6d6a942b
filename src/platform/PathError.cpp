#include "platform/PathError.h"

#include "platform/PosixError.h"

PathError::PathError(int errorNumber, QString path)
    : std::system_error(errorNumber, posixCategory(), path.toStdString())
    , path_(std::move(path))
{
}

QString PathError::description(const QString& folder) const
{
    QString shown = path_;
    if (!folder.isEmpty()) {
        const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
        if (path_.size() > prefix.size() && path_.startsWith(prefix)) {
            shown = path_.mid(prefix.size());
        }
    }
    return shown + QStringLiteral(": ") + QString::fromStdString(code().message());
}
