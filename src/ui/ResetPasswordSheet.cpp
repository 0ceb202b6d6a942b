#include "ui/ResetPasswordSheet.h"

#include "model/RecoveryKeyText.h"
#include "ui/CreateVaultForm.h"
#include "ui/InlineMessage.h"
#include "ui/KovaraIcons.h"
#include "ui/SheetLayout.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int fieldWidth = 420;

QLineEdit* field(const QString& label, bool secret, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setAccessibleName(label);
    edit->setMinimumWidth(fieldWidth);
    if (secret) {
        edit->setEchoMode(QLineEdit::Password);
    }
    return edit;
}

} // namespace

ResetPasswordSheet::ResetPasswordSheet(VaultStore& store, Vault vault, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , vault_(std::move(vault))
    , key_(field(QStringLiteral("Chave de recuperação"), false, this))
    , keyMessage_(new InlineMessage(KovaraIcons::error, false, this))
    , newPassword_(field(QStringLiteral("Nova senha"), true, this))
    , confirmation_(field(QStringLiteral("Confirmar nova senha"), true, this))
    , passwordMessage_(new InlineMessage(KovaraIcons::error, false, this))
    , cancel_(new QPushButton(QStringLiteral("Cancelar"), this))
    , reset_(new QPushButton(QStringLiteral("Redefinir senha"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Redefinir senha com a chave"));
    key_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    key_->setPlaceholderText(QStringLiteral("64 dígitos, com ou sem traços"));

    auto* fields = new QWidget(this);
    auto* form = new QFormLayout(fields);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Chave de recuperação"), key_);
    form->addRow(QString(), keyMessage_);
    form->addRow(QStringLiteral("Nova senha"), newPassword_);
    form->addRow(QStringLiteral("Confirmar nova senha"), confirmation_);
    form->addRow(QString(), passwordMessage_);
    auto* hint = new InlineMessage(KovaraIcons::keyOff, true, this);
    hint->setMessage(QStringLiteral("A senha antiga deixa de abrir o cofre; os arquivos ficam como estão."));
    form->addRow(QString(), hint);
    cancel_->setAutoDefault(false);
    reset_->setDefault(true);
    new SheetLayout(*this, QStringLiteral("Redefinir senha com a chave"), SheetLayout::vaultSubtitle(vault_.name),
                    {fields}, {cancel_, reset_});

    connect(key_, &QLineEdit::textChanged, this, [this] {
        wasRefused_ = false;
        showForm();
    });
    for (QLineEdit* edit : {newPassword_, confirmation_}) {
        connect(edit, &QLineEdit::textChanged, this, &ResetPasswordSheet::showForm);
    }
    for (QLineEdit* edit : {key_, newPassword_, confirmation_}) {
        connect(edit, &QLineEdit::returnPressed, this, &ResetPasswordSheet::submit);
    }
    connect(cancel_, &QPushButton::clicked, this, &ResetPasswordSheet::reject);
    connect(reset_, &QPushButton::clicked, this, &ResetPasswordSheet::submit);
    connect(&store_, &VaultStore::isBusyChanged, this, &ResetPasswordSheet::showForm);
    showForm();
    key_->setFocus();
}

bool ResetPasswordSheet::canSubmit() const
{
    return RecoveryKeyText::isWellFormed(key_->text()) &&
           CreateVaultForm::isAcceptableNewPassword(newPassword_->text(), confirmation_->text()) && !store_.isBusy();
}

void ResetPasswordSheet::submit()
{
    if (isWorking_) {
        return;
    }
    didAttempt_ = true;
    showForm();
    if (!canSubmit()) {
        return;
    }
    const QPointer<ResetPasswordSheet> self(this);
    if (!store_.enqueueResetPassword(vault_.id, key_->text(), newPassword_->text(), [self](FormOutcome outcome) {
            if (self) {
                self->finish(outcome);
            }
        })) {
        return;
    }
    isWorking_ = true;
    showForm();
}

void ResetPasswordSheet::finish(FormOutcome outcome)
{
    isWorking_ = false;
    switch (outcome) {
    case FormOutcome::done:
        for (QLineEdit* edit : {key_, newPassword_, confirmation_}) {
            edit->clear();
        }
        accept();
        return;
    case FormOutcome::refused:
        wasRefused_ = true;
        showForm();
        key_->setFocus();
        return;
    case FormOutcome::failed:
        done(QDialog::Rejected);
        return;
    }
}

void ResetPasswordSheet::reject()
{
    if (isWorking_) {
        return;
    }
    store_.clearMessages();
    QDialog::reject();
}

void ResetPasswordSheet::showForm()
{
    if (wasRefused_) {
        keyMessage_->setMessage(VaultError(VaultError::Kind::recoveryKeyIncorrect).errorDescription());
    } else if ((didAttempt_ || key_->text().size() >= RecoveryKeyText::digitCount) &&
               !RecoveryKeyText::isWellFormed(key_->text())) {
        keyMessage_->setMessage(VaultError(VaultError::Kind::invalidRecoveryKey).errorDescription());
    } else {
        keyMessage_->setMessage(std::nullopt);
    }
    passwordMessage_->setMessage(
        CreateVaultForm::newPasswordMessage(newPassword_->text(), confirmation_->text(), didAttempt_));
    for (QWidget* widget : std::initializer_list<QWidget*>{key_, newPassword_, confirmation_, cancel_}) {
        widget->setEnabled(!isWorking_);
    }
    reset_->setEnabled(!isWorking_ && canSubmit());
}
