#include "ui/KovaraMark.h"

#include "ui/KovaraBrand.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap KovaraMark::pixmap(int size, qreal devicePixelRatio)
{
    QPixmap image(QSize(size, size) * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Everything is laid out on a 128-unit grid and scaled, so the mark keeps its proportions.
    painter.scale(size / 128.0, size / 128.0);

    const QColor tint = KovaraBrand::tint();
    QLinearGradient tile(0, 8, 0, 120);
    tile.setColorAt(0, tint.lighter(118));
    tile.setColorAt(1, tint.darker(122));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8, 8, 112, 112), 26, 26);

    QPainterPath shackle;
    shackle.moveTo(44, 58);
    shackle.lineTo(44, 46);
    shackle.arcTo(QRectF(44, 26, 40, 40), 180, -180);
    shackle.lineTo(84, 58);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(shackle);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(34, 56, 60, 44), 10, 10);
    painter.setBrush(tint);
    painter.drawEllipse(QPointF(64, 74), 6, 6);
    painter.drawRoundedRect(QRectF(61, 76, 6, 13), 3, 3);
    return image;
}
