#pragma once

#include <QIconEngine>
#include <QImage>

#include <functional>

// An icon drawn in one colour from a shape, like the desktop's symbolic icons. Both the shape
// and the colour are asked for each time the icon is drawn, so the icon follows the palette
// (light or dark) in use at that moment, and it is sharp at any size and scale.
class SymbolicIconEngine : public QIconEngine
{
public:
    // The shape as an image of `pixels` × `pixels` whose alpha channel is the glyph.
    using Shape = std::function<QImage(int pixels)>;
    // The colour to draw in for the mode (normal, disabled, selected).
    using Colour = std::function<QColor(QIcon::Mode mode)>;

    SymbolicIconEngine(const QString& name, Shape shape, Colour colour);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    QString iconName() override;

private:
    QString name_;
    Shape shape_;
    Colour colour_;
};
