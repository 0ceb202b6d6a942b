#include "ui/ActivityIndicator.h"

#include <QPainter>
#include <QTimerEvent>

namespace {

constexpr int frameIntervalMilliseconds = 50;
constexpr int degreesPerFrame = 30;

} // namespace

ActivityIndicator::ActivityIndicator(int diameter, QWidget* parent) : QWidget(parent), diameter_(diameter)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ActivityIndicator::sizeHint() const
{
    return QSize(diameter_, diameter_);
}

void ActivityIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal penWidth = std::max(2.0, diameter_ / 8.0);
    const QRectF circle = QRectF(rect()).adjusted(penWidth, penWidth, -penWidth, -penWidth);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15f);
    painter.setPen(QPen(track, penWidth));
    painter.drawEllipse(circle);
    painter.setPen(QPen(palette().color(QPalette::Highlight), penWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(circle, -angle_ * 16, 100 * 16);
}

void ActivityIndicator::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    angle_ = (angle_ + degreesPerFrame) % 360;
    update();
}

void ActivityIndicator::showEvent(QShowEvent* event)
{
    timer_.start(frameIntervalMilliseconds, this);
    QWidget::showEvent(event);
}

void ActivityIndicator::hideEvent(QHideEvent* event)
{
    timer_.stop();
    QWidget::hideEvent(event);
}
