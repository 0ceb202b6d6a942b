#pragma once

#include <QColor>
#include <QPalette>

// The brand's colours, shared by every screen. Colours with a meaning (destructive, warning,
// accent) are derived from the palette in use, so that they stay readable on light and dark.
namespace KovaraBrand {

// The teal accent (sRGB 0.0, 0.66, 0.68) that tints the window's controls.
QColor tint();

// The contrast ratio of two opaque colours as the web accessibility guidelines define it,
// from 1 (same luminance) to 21 (black on white).
double contrast(const QColor& first, const QColor& second);

// Red for destructive buttons and error texts; at least 4.5:1 against the window, the base
// and the button colour, as body text needs.
QColor destructive(const QPalette& palette);

// Orange for warning icons; at least 3:1 against the same colours, as graphics need.
QColor warning(const QPalette& palette);

// The tint as a foreground colour (icons, focus rings) at least 3:1 against the same colours.
QColor accent(const QPalette& palette);

// Black or white, whichever reads better on `background`.
QColor textOn(const QColor& background);

} // namespace KovaraBrand
