#include "ui/KovaraPalette.h"

#include "ui/DesktopColorScheme.h"
#include "ui/KovaraBrand.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace {

struct Colours
{
    QColor window;
    QColor base;
    QColor alternateBase;
    QColor text;
    QColor mutedText;
    QColor disabledText;
    QColor button;
    QColor light;
    QColor midlight;
    QColor mid;
    QColor dark;
    QColor shadow;
};

Colours coloursOf(ColorScheme scheme)
{
    if (scheme == ColorScheme::dark) {
        // Lists and fields sit lighter than the window here: Fusion outlines fields in a shade
        // darker than the window, which must stand out from the field's own colour.
        return {QColor(0x1f, 0x1f, 0x21), QColor(0x28, 0x28, 0x2b), QColor(0x30, 0x30, 0x34), QColor(0xf2, 0xf2, 0xf4),
                QColor(0xa8, 0xa8, 0xad), QColor(0x6e, 0x6e, 0x73), QColor(0x33, 0x33, 0x36), QColor(0x4a, 0x4a, 0x4e),
                QColor(0x3a, 0x3a, 0x3d), QColor(0x2a, 0x2a, 0x2c), QColor(0x14, 0x14, 0x15), QColor(0x00, 0x00, 0x00)};
    }
    return {QColor(0xf4, 0xf4, 0xf5), QColor(0xff, 0xff, 0xff), QColor(0xf2, 0xf2, 0xf4), QColor(0x1d, 0x1d, 0x1f),
            QColor(0x66, 0x66, 0x6b), QColor(0xa0, 0xa0, 0xa5), QColor(0xfb, 0xfb, 0xfc), QColor(0xff, 0xff, 0xff),
            QColor(0xe6, 0xe6, 0xe8), QColor(0xc8, 0xc8, 0xcc), QColor(0x9a, 0x9a, 0x9f), QColor(0x60, 0x60, 0x64)};
}

} // namespace

QPalette KovaraPalette::make(ColorScheme scheme)
{
    const Colours colours = coloursOf(scheme);
    QPalette palette(colours.text, colours.button, colours.light, colours.dark, colours.mid, colours.text, colours.text,
                     colours.base, colours.window);
    palette.setColor(QPalette::AlternateBase, colours.alternateBase);
    palette.setColor(QPalette::Midlight, colours.midlight);
    palette.setColor(QPalette::Shadow, colours.shadow);
    palette.setColor(QPalette::ButtonText, colours.text);
    palette.setColor(QPalette::PlaceholderText, colours.mutedText);
    palette.setColor(QPalette::ToolTipBase, colours.base);
    palette.setColor(QPalette::ToolTipText, colours.text);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText}) {
        palette.setColor(QPalette::Disabled, role, colours.disabledText);
    }
    const QColor tint = KovaraBrand::tint();
    palette.setColor(QPalette::Highlight, tint);
    palette.setColor(QPalette::HighlightedText, KovaraBrand::textOn(tint));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, colours.mid);
    return palette;
}

void KovaraPalette::apply(QApplication& application, ColorScheme scheme)
{
    // Fusion draws every control from the palette; the desktop's own style may not.
    if (application.style()->name() != QLatin1String("fusion")) {
        application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
    application.setPalette(make(scheme));
}

void KovaraPalette::followDesktop(QApplication& application)
{
    auto* desktop = new DesktopColorScheme(&application);
    apply(application, desktop->scheme());
    QObject::connect(desktop, &DesktopColorScheme::changed, &application,
                     [&application](ColorScheme scheme) { apply(application, scheme); });
}
