#include "ui/KovaraBrand.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr QPalette::ColorRole backgrounds[] = {QPalette::Window, QPalette::Base, QPalette::Button};

double linearComponent(float value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linearComponent(rgb.redF()) + 0.7152 * linearComponent(rgb.greenF()) +
           0.0722 * linearComponent(rgb.blueF());
}

// `colour` made darker on a light palette or lighter on a dark one, in small steps of
// lightness that keep its hue, until it reaches `minimum` against every background it is drawn
// on: the window, the base of lists and fields, and buttons.
QColor readableOn(const QPalette& palette, const QColor& colour, double minimum)
{
    const bool isDark = relativeLuminance(palette.color(QPalette::Window)) < 0.18;
    const auto isReadable = [&](const QColor& candidate) {
        return std::all_of(std::begin(backgrounds), std::end(backgrounds), [&](QPalette::ColorRole role) {
            return KovaraBrand::contrast(candidate, palette.color(role)) >= minimum;
        });
    };
    QColor candidate = colour.toHsl();
    for (float lightness = candidate.lightnessF(); !isReadable(candidate) && lightness > 0.0f && lightness < 1.0f;) {
        lightness = std::clamp(lightness + (isDark ? 0.02f : -0.02f), 0.0f, 1.0f);
        candidate.setHslF(candidate.hslHueF(), candidate.hslSaturationF(), lightness);
    }
    return candidate.toRgb();
}

} // namespace

QColor KovaraBrand::tint()
{
    return QColor::fromRgbF(0.0f, 0.66f, 0.68f);
}

double KovaraBrand::contrast(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor KovaraBrand::destructive(const QPalette& palette)
{
    return readableOn(palette, QColor(0xe0, 0x1b, 0x24), 4.5);
}

QColor KovaraBrand::warning(const QPalette& palette)
{
    return readableOn(palette, QColor(0xff, 0x95, 0x00), 3.0);
}

QColor KovaraBrand::accent(const QPalette& palette)
{
    return readableOn(palette, tint(), 3.0);
}

QColor KovaraBrand::textOn(const QColor& background)
{
    const QColor black(0x10, 0x10, 0x12);
    return contrast(black, background) >= contrast(Qt::white, background) ? black : QColor(Qt::white);
}
