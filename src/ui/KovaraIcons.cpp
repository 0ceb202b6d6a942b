#include "ui/KovaraIcons.h"

#include "ui/KovaraBrand.h"
#include "ui/SymbolicIconEngine.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStandardPaths>

namespace {

enum class Tone {
    text,
    accent,
    warning,
    destructive
};

// How a role is drawn from the theme's glyphs.
enum class Decoration {
    none,
    // The second glyph small in the lower right corner, set off from the first by a gap.
    badge,
    // A diagonal stroke across the glyph.
    slash,
    // A filled disc with the glyph cut out of it.
    disc,
};

struct Recipe
{
    QString glyph;
    Decoration decoration = Decoration::none;
    QString badge = {};
    Tone tone = Tone::text;
};

const QHash<QString, Recipe>& recipes()
{
    namespace icons = KovaraIcons;
    static const QHash<QString, Recipe> table{
        {icons::folder, {.glyph = QStringLiteral("folder"), .tone = Tone::accent}},
        {icons::reveal, {.glyph = QStringLiteral("folder-open")}},
        {icons::pendingFolders, {.glyph = QStringLiteral("folder-new"), .tone = Tone::accent}},
        {icons::document, {.glyph = QStringLiteral("x-office-document")}},
        {icons::missingImage,
         {.glyph = QStringLiteral("drive-harddisk"),
          .decoration = Decoration::badge,
          .badge = QStringLiteral("emblem-important")}},
        {icons::locked, {.glyph = QStringLiteral("changes-prevent")}},
        {icons::unlocked, {.glyph = QStringLiteral("changes-allow")}},
        {icons::shield, {.glyph = QStringLiteral("security-high")}},
        {icons::search, {.glyph = QStringLiteral("system-search")}},
        {icons::keyOff, {.glyph = QStringLiteral("dialog-password"), .decoration = Decoration::slash}},
        {icons::add, {.glyph = QStringLiteral("list-add")}},
        {icons::addItems, {.glyph = QStringLiteral("document-save")}},
        {icons::trash, {.glyph = QStringLiteral("user-trash")}},
        {icons::sidebar, {.glyph = QStringLiteral("sidebar-show")}},
        {icons::done, {.glyph = QStringLiteral("emblem-default"), .tone = Tone::accent}},
        {icons::warning, {.glyph = QStringLiteral("dialog-warning"), .tone = Tone::warning}},
        {icons::error, {.glyph = QStringLiteral("emblem-important"), .tone = Tone::destructive}},
        {icons::close, {.glyph = QStringLiteral("window-close")}},
        {icons::removeSource, {.glyph = QStringLiteral("window-close"), .decoration = Decoration::disc}},
    };
    return table;
}

// Where icon themes are installed: Qt's own list and the freedesktop data folders (some
// platform plugins, the offscreen one among them, list only Qt's resources).
QStringList iconFolders()
{
    QStringList folders = QIcon::themeSearchPaths();
    for (const QString& folder : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                           QStandardPaths::LocateDirectory)) {
        if (!folders.contains(folder)) {
            folders.append(folder);
        }
    }
    return folders;
}

// The theme ships each symbolic glyph prerendered as a black shape on transparency, at these
// sizes, beside the vector original (which Qt could draw only with its SVG module).
constexpr int prerenderedSizes[] = {16, 24, 32, 48, 64, 96};

// The prerendered files of `glyph` by size, found once.
QMap<int, QString> filesOf(const QString& glyph)
{
    static QHash<QString, QMap<int, QString>> found;
    if (const auto known = found.constFind(glyph); known != found.cend()) {
        return *known;
    }
    static const QStringList contexts{"actions", "apps",      "categories", "devices", "emblems", "emotes",
                                      "legacy",  "mimetypes", "places",     "status",  "ui"};
    QMap<int, QString> files;
    for (const QString& themes : iconFolders()) {
        for (const int size : prerenderedSizes) {
            for (const QString& context : contexts) {
                const QString path = QStringLiteral("%1/Adwaita/%2x%2/%3/%4-symbolic.symbolic.png")
                                         .arg(themes)
                                         .arg(size)
                                         .arg(context, glyph);
                if (!files.contains(size) && QFileInfo::exists(path)) {
                    files.insert(size, path);
                }
            }
        }
    }
    found.insert(glyph, files);
    return files;
}

// The glyph as a `pixels` square whose alpha is its shape: the nearest prerendered size at
// least as large, scaled down smoothly; the theme's own icon where nothing is prerendered.
QImage glyphImage(const QString& glyph, int pixels)
{
    static QHash<QString, QImage> cache;
    const QString key = glyph + QLatin1Char('@') + QString::number(pixels);
    if (const auto cached = cache.constFind(key); cached != cache.cend()) {
        return *cached;
    }
    const QMap<int, QString> files = filesOf(glyph);
    QImage image;
    if (!files.isEmpty()) {
        const auto source = files.lowerBound(pixels);
        image.load(source != files.cend() ? source.value() : files.last());
    } else {
        image = QIcon::fromTheme(glyph + QStringLiteral("-symbolic")).pixmap(pixels, pixels).toImage();
    }
    if (image.isNull()) {
        image = QImage(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                .scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    cache.insert(key, image);
    return image;
}

QImage shapeOf(const Recipe& recipe, int pixels)
{
    QImage image = glyphImage(recipe.glyph, pixels);
    if (recipe.decoration == Decoration::disc) {
        image = QImage(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal unit = pixels / 16.0;
    switch (recipe.decoration) {
    case Decoration::none:
        break;
    case Decoration::badge: {
        const QRectF corner(pixels - 9 * unit, pixels - 9 * unit, 9 * unit, 9 * unit);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setBrush(Qt::black);
        painter.drawEllipse(corner.adjusted(-unit, -unit, unit, unit));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        const int badgePixels = qRound(corner.width());
        painter.drawImage(corner.topLeft(), glyphImage(recipe.badge, badgePixels));
        break;
    }
    case Decoration::slash: {
        const QLineF stroke(2 * unit, 2 * unit, 14 * unit, 14 * unit);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::black, 4 * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(stroke);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(Qt::black, 1.6 * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(stroke);
        break;
    }
    case Decoration::disc:
        painter.setBrush(Qt::black);
        painter.drawEllipse(QRectF(unit, unit, 14 * unit, 14 * unit));
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.drawImage(0, 0, glyphImage(recipe.glyph, pixels));
        break;
    }
    painter.end();
    return image;
}

QColor toneColour(Tone tone, const QPalette& palette)
{
    switch (tone) {
    case Tone::accent:
        return KovaraBrand::accent(palette);
    case Tone::warning:
        return KovaraBrand::warning(palette);
    case Tone::destructive:
        return KovaraBrand::destructive(palette);
    case Tone::text:
        break;
    }
    return palette.color(QPalette::WindowText);
}

QColor faded(QColor colour)
{
    colour.setAlphaF(colour.alphaF() * 0.4f);
    return colour;
}

QIcon makeIcon(const QString& role, SymbolicIconEngine::Colour colour)
{
    const Recipe recipe = recipes().value(role);
    return QIcon(new SymbolicIconEngine(
        role, [recipe](int pixels) { return shapeOf(recipe, pixels); }, std::move(colour)));
}

} // namespace

QIcon KovaraIcons::icon(const QString& role)
{
    const Tone tone = recipes().value(role).tone;
    return makeIcon(role, [tone](QIcon::Mode mode) {
        const QPalette palette = QGuiApplication::palette();
        switch (mode) {
        case QIcon::Disabled:
            return faded(toneColour(tone, palette));
        case QIcon::Selected:
            return palette.color(QPalette::HighlightedText);
        case QIcon::Normal:
        case QIcon::Active:
            break;
        }
        return toneColour(tone, palette);
    });
}

QIcon KovaraIcons::icon(const QString& role, const QColor& colour)
{
    return makeIcon(role, [colour](QIcon::Mode mode) { return mode == QIcon::Disabled ? faded(colour) : colour; });
}

void KovaraIcons::installIconTheme()
{
    QIcon::setThemeSearchPaths(iconFolders());
    // Desktops other than GNOME and KDE (and the test display) often name no theme, or one
    // without these names; Adwaita is a dependency of Kovara, so it is always there to fall back on.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
}
