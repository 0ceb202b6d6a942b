#include "ui/KovaraIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

namespace {

QIcon badged(const QIcon& base, const QIcon& badge)
{
    QIcon result;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(size, size);
        QPainter painter(&pixmap);
        const int badgeSize = size / 2;
        painter.drawPixmap(size - badgeSize, size - badgeSize, badge.pixmap(badgeSize, badgeSize));
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace

QIcon KovaraIcons::icon(const QString& name)
{
    const qsizetype separator = name.indexOf(QLatin1Char('|'));
    if (separator < 0) {
        return QIcon::fromTheme(name);
    }
    return badged(QIcon::fromTheme(name.left(separator)), QIcon::fromTheme(name.mid(separator + 1)));
}

void KovaraIcons::installIconTheme()
{
    // Some platform plugins (the offscreen one among them) look for themes only in Qt's
    // resources; the freedesktop locations are where the installed themes are.
    QStringList searchPaths = QIcon::themeSearchPaths();
    for (const QString& folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory)) {
        if (!searchPaths.contains(folder)) {
            searchPaths.append(folder);
        }
    }
    QIcon::setThemeSearchPaths(searchPaths);
    // Desktops other than GNOME and KDE (and the test display) often name no theme, or one
    // without these names; Adwaita is a dependency of Kovara, so it is always there to fall back on.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
}
