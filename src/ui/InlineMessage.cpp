#include "ui/InlineMessage.h"

#include "ui/IconLabel.h"
#include "ui/KovaraIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int iconSize = 16;

} // namespace

InlineMessage::InlineMessage(const QString& iconName, bool isSecondary, QWidget* parent)
    : QWidget(parent)
    , icon_(new IconLabel(KovaraIcons::icon(iconName), iconSize, this))
    , text_(new QLabel(this))
{
    text_->setWordWrap(true);
    // The first line stays level with the icon however tall the row is made.
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (isSecondary) {
        text_->setForegroundRole(QPalette::PlaceholderText);
    }
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    // The icon is centred on the first line of text.
    auto* iconColumn = new QVBoxLayout;
    iconColumn->setContentsMargins(0, std::max(0, (text_->fontMetrics().height() - iconSize) / 2), 0, 0);
    iconColumn->addWidget(icon_);
    iconColumn->addStretch();
    layout->addLayout(iconColumn);
    layout->addWidget(text_, 1);
    hide();
}

void InlineMessage::setMessage(const std::optional<QString>& message)
{
    text_->setText(message.value_or(QString()));
    setAccessibleName(message.value_or(QString()));
    setVisible(message.has_value());
}

QString InlineMessage::text() const
{
    return text_->text();
}
