#pragma once

class QAbstractButton;

// Draws a button's title in the destructive red of the palette in use, and again whenever the
// palette changes between light and dark.
namespace DestructiveButtonStyle {

void apply(QAbstractButton* button);

} // namespace DestructiveButtonStyle
