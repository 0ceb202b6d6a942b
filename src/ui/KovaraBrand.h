#pragma once

#include <QColor>

// The brand's colours, shared by every screen.
namespace KovaraBrand {

// The teal accent (sRGB 0.0, 0.66, 0.68) that tints the window's controls.
QColor tint();

} // namespace KovaraBrand
