#include "ui/SheetHeader.h"

#include "ui/KovaraMark.h"
#include "ui/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int markSize = 48;

} // namespace

SheetHeader::SheetHeader(const QString& title, const QString& subtitle, QWidget* parent) : QWidget(parent)
{
    auto* mark = new QLabel(this);
    mark->setPixmap(KovaraMark::pixmap(markSize, devicePixelRatioF()));
    mark->setFixedSize(markSize, markSize);
    auto* titleLabel = new QLabel(title, this);
    TextStyle::emphasize(titleLabel, 1.35);
    titleLabel->setAccessibleName(title);
    QLabel* subtitleLabel = TextStyle::secondaryLabel(subtitle, this, true);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(titleLabel);
    text->addWidget(subtitleLabel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(mark, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
}
