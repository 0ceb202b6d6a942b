#include "ui/VaultPasswordSheet.h"

#include "ui/InlineMessage.h"
#include "ui/KovaraIcons.h"
#include "ui/SheetLayout.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int fieldWidth = 300;

} // namespace

VaultPasswordSheet::VaultPasswordSheet(VaultStore& store, const Vault& vault, const QString& title,
                                       const QString& actionTitle, Submit submit, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , submit_(std::move(submit))
    , password_(new QLineEdit(this))
    , message_(new InlineMessage(KovaraIcons::error, false, this))
    , cancel_(new QPushButton(QStringLiteral("Cancelar"), this))
    , action_(new QPushButton(actionTitle, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(title);
    password_->setEchoMode(QLineEdit::Password);
    password_->setAccessibleName(QStringLiteral("Senha do cofre"));
    password_->setMinimumWidth(fieldWidth);

    auto* fields = new QWidget(this);
    auto* form = new QFormLayout(fields);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Senha do cofre"), password_);
    form->addRow(QString(), message_);
    cancel_->setAutoDefault(false);
    action_->setDefault(true);
    new SheetLayout(*this, title, SheetLayout::vaultSubtitle(vault.name), {fields}, {cancel_, action_});

    connect(password_, &QLineEdit::textChanged, this, [this] {
        wasRefused_ = false;
        showForm();
    });
    connect(password_, &QLineEdit::returnPressed, this, &VaultPasswordSheet::submit);
    connect(cancel_, &QPushButton::clicked, this, &VaultPasswordSheet::reject);
    connect(action_, &QPushButton::clicked, this, &VaultPasswordSheet::submit);
    connect(&store_, &VaultStore::isBusyChanged, this, &VaultPasswordSheet::showForm);
    showForm();
    password_->setFocus();
}

void VaultPasswordSheet::submit()
{
    if (isWorking_) {
        return;
    }
    didAttempt_ = true;
    showForm();
    if (password_->text().isEmpty() || store_.isBusy()) {
        return;
    }
    const QPointer<VaultPasswordSheet> self(this);
    if (!submit_(password_->text(), [self](FormOutcome outcome) {
            if (self) {
                self->finish(outcome);
            }
        })) {
        return;
    }
    isWorking_ = true;
    showForm();
}

void VaultPasswordSheet::finish(FormOutcome outcome)
{
    isWorking_ = false;
    password_->clear();
    switch (outcome) {
    case FormOutcome::done:
        accept();
        return;
    case FormOutcome::refused:
        wasRefused_ = true;
        showForm();
        password_->setFocus();
        return;
    case FormOutcome::failed:
        done(QDialog::Rejected);
        return;
    }
}

void VaultPasswordSheet::reject()
{
    if (isWorking_) {
        return;
    }
    store_.clearMessages();
    QDialog::reject();
}

void VaultPasswordSheet::showForm()
{
    if (wasRefused_) {
        message_->setMessage(VaultError(VaultError::Kind::vaultPasswordIncorrect).errorDescription());
    } else if (didAttempt_ && password_->text().isEmpty()) {
        message_->setMessage(QStringLiteral("Informe a senha do cofre."));
    } else {
        message_->setMessage(std::nullopt);
    }
    password_->setEnabled(!isWorking_);
    cancel_->setEnabled(!isWorking_);
    action_->setEnabled(!isWorking_ && !password_->text().isEmpty() && !store_.isBusy());
}
