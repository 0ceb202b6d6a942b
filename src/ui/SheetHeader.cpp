#include "ui/SheetHeader.h"

#include "ui/KovaraMark.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int markSize = 48;

} // namespace

SheetHeader::SheetHeader(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent)
{
    auto* mark = new QLabel(this);
    mark->setPixmap(KovaraMark::pixmap(markSize, devicePixelRatioF()));
    mark->setFixedSize(markSize, markSize);
    auto* titleLabel = new QLabel(title, this);
    QFont titleFont = titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.35);
    titleFont.setWeight(QFont::Bold);
    titleLabel->setFont(titleFont);
    titleLabel->setAccessibleName(title);
    auto* subtitleLabel = new QLabel(subtitle, this);
    subtitleLabel->setWordWrap(true);
    subtitleLabel->setForegroundRole(QPalette::PlaceholderText);

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
