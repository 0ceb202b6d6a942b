#include "ui/VaultSidebarRow.h"

#include "ui/ActivityIndicator.h"
#include "ui/ElidedLabel.h"
#include "ui/IconLabel.h"
#include "ui/KovaraIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int iconSize = 24;

} // namespace

VaultSidebarRow::VaultSidebarRow(QWidget* parent)
    : QWidget(parent)
    , icon_(new IconLabel(QIcon(), iconSize, this))
    , name_(new ElidedLabel(this))
    , status_(new QLabel(this))
    , progress_(new ActivityIndicator(14, this))
    , lockToggle_(new QToolButton(this))
{
    QFont nameFont = name_->font();
    nameFont.setWeight(QFont::DemiBold);
    name_->setFont(nameFont);
    QFont statusFont = status_->font();
    statusFont.setPointSizeF(statusFont.pointSizeF() * 0.88);
    status_->setFont(statusFont);
    status_->setForegroundRole(QPalette::PlaceholderText);
    lockToggle_->setAutoRaise(true);
    lockToggle_->setIconSize(QSize(18, 18));
    // A widget inside a list row is out of reach of screen readers, so the toggle is for the
    // pointer only; from the keyboard, Space on the selected row toggles the same lock, and the
    // row's menu and the menu bar offer it by name.
    lockToggle_->setFocusPolicy(Qt::NoFocus);

    auto* text = new QVBoxLayout;
    text->setSpacing(0);
    text->addWidget(name_);
    text->addWidget(status_);
    auto* layout = new QHBoxLayout(this);
    // The toggle keeps the same breathing room from the row's right edge as the icon from its left.
    layout->setContentsMargins(6, 5, 6, 5);
    layout->setSpacing(8);
    layout->addWidget(icon_);
    layout->addLayout(text, 1);
    layout->addWidget(progress_);
    layout->addWidget(lockToggle_);

    connect(lockToggle_, &QToolButton::clicked, this, [this] {
        if (model_.lockToggle) {
            emit actionRequested(model_.vaultID, model_.lockToggle->action);
        }
    });
}

void VaultSidebarRow::display(const SidebarRowModel& model)
{
    model_ = model;
    icon_->setIcon(KovaraIcons::icon(model.iconName));
    name_->setFullText(model.name);
    status_->setText(model.statusText);
    progress_->setVisible(model.progressLabel.has_value());
    progress_->setAccessibleName(model.progressLabel.value_or(QString()));
    progress_->setToolTip(model.progressLabel.value_or(QString()));
    lockToggle_->setVisible(model.lockToggle.has_value());
    if (model.lockToggle) {
        lockToggle_->setIcon(KovaraIcons::icon(model.lockToggle->iconName));
        lockToggle_->setToolTip(model.lockToggle->helpText);
        lockToggle_->setAccessibleName(model.lockToggle->accessibleName);
        lockToggle_->setEnabled(model.lockToggle->isEnabled);
    }
}
