#include "ui/KovaraBrand.h"

QColor KovaraBrand::tint()
{
    return QColor::fromRgbF(0.0f, 0.66f, 0.68f);
}
