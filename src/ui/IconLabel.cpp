#include "ui/IconLabel.h"

#include <QPainter>

IconLabel::IconLabel(const QIcon& icon, int size, QWidget* parent) : QWidget(parent), icon_(icon), size_(size)
{
    setFixedSize(size, size);
}

void IconLabel::setIcon(const QIcon& icon)
{
    icon_ = icon;
    update();
}

QSize IconLabel::sizeHint() const
{
    return QSize(size_, size_);
}

void IconLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    icon_.paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}
