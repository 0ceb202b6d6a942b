#include "ui/TextStyle.h"

#include <QLabel>

void TextStyle::emphasize(QWidget* widget, qreal scale, QFont::Weight weight)
{
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setWeight(weight);
    widget->setFont(font);
}

QLabel* TextStyle::secondaryLabel(const QString& text, QWidget* parent, bool wordWrap)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(wordWrap);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}
