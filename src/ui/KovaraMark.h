#pragma once

#include <QPixmap>

// The application's mark: a white padlock on a teal tile with rounded corners.
namespace KovaraMark {

// The mark drawn at `size` × `size` device-independent pixels for the given pixel ratio.
QPixmap pixmap(int size, qreal devicePixelRatio = 1.0);

} // namespace KovaraMark
