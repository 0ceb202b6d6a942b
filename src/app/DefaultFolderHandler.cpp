#include "app/DefaultFolderHandler.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <optional>

namespace {

const QString folderType = QStringLiteral("inode/directory");
const QString kovaraDesktopEntry = QStringLiteral("com.kovara.Kovara.desktop");

// The lists in the order the freedesktop MIME applications specification reads them: the user's configuration, the system's,
// then the applications folders; in each folder the current desktops' own lists first.
QStringList mimeAppsLists()
{
    QStringList names;
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts)) {
        names.append(desktop.toLower() + QStringLiteral("-mimeapps.list"));
    }
    names.append(QStringLiteral("mimeapps.list"));
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation) +
                                     QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        for (const QString& name : std::as_const(names)) {
            lists.append(folder + u'/' + name);
        }
    }
    return lists;
}

// The first desktop entry the list names as the default for folders, if it names one.
std::optional<QString> folderDefaultIn(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    bool inDefaults = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inDefaults = line == QStringLiteral("[Default Applications]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inDefaults || equals < 0 || line.left(equals).trimmed() != folderType) {
            continue;
        }
        const QStringList entries = line.mid(equals + 1).split(u';', Qt::SkipEmptyParts);
        if (!entries.isEmpty()) {
            return entries.first().trimmed();
        }
    }
    return std::nullopt;
}

} // namespace

bool DefaultFolderHandler::isKovara()
{
    for (const QString& list : mimeAppsLists()) {
        if (const std::optional<QString> entry = folderDefaultIn(list)) {
            return *entry == kovaraDesktopEntry;
        }
    }
    return false;
}
