#include "model/KovaraPaths.h"

#include <QDir>
#include <QStandardPaths>

KovaraPaths KovaraPaths::under(const QString& applicationDirectoryPath)
{
    const QString application = QDir::cleanPath(applicationDirectoryPath);
    return KovaraPaths{
        QUrl::fromLocalFile(application + QLatin1Char('/')),
        QUrl::fromLocalFile(application + QStringLiteral("/Vaults.noindex/")),
        QUrl::fromLocalFile(application + QStringLiteral("/vaults.json")),
    };
}

KovaraPaths KovaraPaths::live()
{
    QString dataLocation = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataLocation.isEmpty()) {
        dataLocation = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return under(dataLocation + QStringLiteral("/Kovara"));
}
