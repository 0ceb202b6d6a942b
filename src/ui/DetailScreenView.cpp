#include "ui/DetailScreenView.h"

#include "ui/ActivityIndicator.h"
#include "ui/DestructiveButtonStyle.h"
#include "ui/IconLabel.h"
#include "ui/KovaraBrand.h"
#include "ui/KovaraIcons.h"
#include "ui/KovaraMark.h"
#include "ui/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int markSize = 96;
constexpr int iconSize = 56;

// The prominent button: filled with the brand's tint, as the screen's one main action.
QString prominentStyle()
{
    const QColor tint = KovaraBrand::tint();
    return QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 8px;"
                          " padding: 10px 28px; font-size: 11pt; font-weight: 600; }"
                          "QPushButton:hover { background: %2; }"
                          "QPushButton:pressed { background: %3; }"
                          "QPushButton:disabled { background: palette(mid); }")
        .arg(tint.name(), tint.lighter(110).name(), tint.darker(115).name());
}

} // namespace

DetailScreenView::DetailScreenView(QWidget* parent)
    : QWidget(parent)
    , mark_(new QLabel(this))
    , icon_(new IconLabel(QIcon(), iconSize, this))
    , progress_(new ActivityIndicator(18, this))
    , title_(new QLabel(this))
    , message_(new QLabel(this))
    , buttons_(new QHBoxLayout)
{
    mark_->setAlignment(Qt::AlignCenter);
    TextStyle::emphasize(title_, 1.6);
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    message_->setForegroundRole(QPalette::PlaceholderText);
    message_->setMaximumWidth(420);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    titleRow->addStretch();
    titleRow->addWidget(progress_);
    titleRow->addWidget(title_);
    titleRow->addStretch();
    buttons_->setSpacing(10);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(12);
    layout->addStretch(3);
    layout->addWidget(mark_);
    layout->addWidget(icon_, 0, Qt::AlignHCenter);
    layout->addLayout(titleRow);
    // A word-wrapped label keeps its height for its width only when the layout may stretch it;
    // the stretches on both sides centre it instead of an alignment flag.
    auto* messageRow = new QHBoxLayout;
    messageRow->addStretch();
    messageRow->addWidget(message_, 1);
    messageRow->addStretch();
    layout->addLayout(messageRow);
    layout->addSpacing(8);
    layout->addLayout(buttons_);
    layout->addStretch(4);
}

void DetailScreenView::display(const DetailScreenModel& model)
{
    // Redrawing an unchanged screen would rebuild its buttons and lose the keyboard focus.
    if (hasDrawn_ && model == model_) {
        return;
    }
    hasDrawn_ = true;
    model_ = model;
    if (model.showsMark && mark_->pixmap().isNull()) {
        mark_->setPixmap(KovaraMark::pixmap(markSize, devicePixelRatioF()));
    }
    mark_->setVisible(model.showsMark);
    icon_->setIcon(model.iconName.isEmpty() ? QIcon() : KovaraIcons::icon(model.iconName));
    icon_->setVisible(!model.showsMark && !model.iconName.isEmpty());
    progress_->setVisible(model.showsProgress);
    title_->setText(model.title);
    message_->setText(model.message);
    message_->setVisible(!model.message.isEmpty());

    while (QLayoutItem* item = buttons_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    buttons_->addStretch();
    for (const DetailScreenModel::Button& button : model.buttons) {
        auto* widget = new QPushButton(button.title, this);
        widget->setEnabled(button.isEnabled);
        if (button.isProminent) {
            widget->setStyleSheet(prominentStyle());
            widget->setDefault(true);
        }
        if (button.isDestructive) {
            DestructiveButtonStyle::apply(widget);
        }
        const DetailScreenModel::Action action = button.action;
        connect(widget, &QPushButton::clicked, this, [this, action] { emit actionRequested(action); });
        buttons_->addWidget(widget);
    }
    buttons_->addStretch();
}
