#include "ui/SymbolicIconEngine.h"

#include <QPainter>
#include <QPixmap>

SymbolicIconEngine::SymbolicIconEngine(const QString& name, Shape shape, Colour colour)
    : name_(name)
    , shape_(std::move(shape))
    , colour_(std::move(colour))
{
}

void SymbolicIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const int side = std::min(rect.width(), rect.height());
    QPixmap image = pixmap(QSize(side, side) * ratio, mode, state);
    image.setDevicePixelRatio(ratio);
    const QRect square(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
    painter->drawPixmap(square, image);
}

QPixmap SymbolicIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    const int pixels = std::min(size.width(), size.height());
    if (pixels <= 0) {
        return QPixmap();
    }
    QImage image = shape_(pixels).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    // Keeps the glyph's coverage and replaces its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour_(mode));
    painter.end();
    return QPixmap::fromImage(image);
}

QIconEngine* SymbolicIconEngine::clone() const
{
    return new SymbolicIconEngine(name_, shape_, colour_);
}

QString SymbolicIconEngine::key() const
{
    return QStringLiteral("KovaraSymbolic");
}

QString SymbolicIconEngine::iconName()
{
    return name_;
}
