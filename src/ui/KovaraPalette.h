#pragma once

#include <QPalette>

class QApplication;

enum class ColorScheme {
    light,
    dark
};

// The window's light and dark palettes (the Fusion style draws every control from them) with
// the brand's tint as the highlight.
namespace KovaraPalette {

QPalette make(ColorScheme scheme);

// Fusion with the palette of `scheme`; every widget redraws, icons included.
void apply(QApplication& application, ColorScheme scheme);

// Applies the light palette now, then whatever the desktop prefers once it has answered, and
// again each time the user changes it.
void followDesktop(QApplication& application);

} // namespace KovaraPalette
