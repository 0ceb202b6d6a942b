#include "ui/ResizeSheet.h"

#include "ui/CreateVaultForm.h"
#include "ui/SheetLayout.h"

#include <QFormLayout>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

ResizeSheet::ResizeSheet(VaultStore& store, Vault vault, std::optional<int> currentGigabytes, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , vault_(std::move(vault))
    , size_(new QSpinBox(this))
    , cancel_(new QPushButton(QStringLiteral("Cancelar"), this))
    , resize_(new QPushButton(QStringLiteral("Aumentar capacidade"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Aumentar capacidade"));
    size_->setRange(CreateVaultForm::minimumCapacity, CreateVaultForm::maximumCapacity);
    size_->setSuffix(QStringLiteral(" GB"));
    size_->setValue(currentGigabytes ? std::min(*currentGigabytes + 1, CreateVaultForm::maximumCapacity)
                                     : CreateVaultForm::defaultCapacity);
    size_->setAccessibleName(QStringLiteral("Nova capacidade"));

    auto* fields = new QWidget(this);
    auto* form = new QFormLayout(fields);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Nova capacidade"), size_);
    cancel_->setAutoDefault(false);
    resize_->setDefault(true);
    new SheetLayout(*this, QStringLiteral("Aumentar capacidade"), SheetLayout::vaultSubtitle(vault_.name), {fields},
                    {cancel_, resize_});

    connect(cancel_, &QPushButton::clicked, this, &ResizeSheet::reject);
    connect(resize_, &QPushButton::clicked, this, &ResizeSheet::submit);
    size_->setFocus();
}

void ResizeSheet::submit()
{
    const QPointer<ResizeSheet> self(this);
    if (!store_.enqueueResize(vault_.id, size_->value(), [self](FormOutcome) {
            if (self) {
                self->accept();
            }
        })) {
        return;
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{size_, cancel_, resize_}) {
        widget->setEnabled(false);
    }
}
