#include "ui/ChangePasswordSheet.h"

#include "ui/InlineMessage.h"
#include "ui/KovaraIcons.h"
#include "ui/SheetLayout.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// Wide enough for the hint under the new password to stay on one line.
constexpr int fieldWidth = 340;

QLineEdit* secureField(const QString& label, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setAccessibleName(label);
    field->setMinimumWidth(fieldWidth);
    return field;
}

} // namespace

ChangePasswordSheet::ChangePasswordSheet(VaultStore& store, Vault vault, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , vault_(std::move(vault))
    , current_(secureField(QStringLiteral("Senha atual"), this))
    , currentMessage_(new InlineMessage(KovaraIcons::error, false, this))
    , newPassword_(secureField(QStringLiteral("Nova senha"), this))
    , confirmation_(secureField(QStringLiteral("Confirmar nova senha"), this))
    , newPasswordMessage_(new InlineMessage(KovaraIcons::error, false, this))
    , cancel_(new QPushButton(QStringLiteral("Cancelar"), this))
    , change_(new QPushButton(QStringLiteral("Alterar senha"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Alterar senha"));

    auto* currentSection = new QGroupBox(QStringLiteral("Senha atual"), this);
    auto* currentForm = new QFormLayout(currentSection);
    currentForm->addRow(QStringLiteral("Senha atual"), current_);
    currentForm->addRow(QString(), currentMessage_);

    auto* newSection = new QGroupBox(QStringLiteral("Nova senha"), this);
    auto* newForm = new QFormLayout(newSection);
    newForm->addRow(QStringLiteral("Nova senha"), newPassword_);
    newForm->addRow(QStringLiteral("Confirmar nova senha"), confirmation_);
    newForm->addRow(QString(), newPasswordMessage_);
    auto* hint = new InlineMessage(KovaraIcons::keyOff, true, this);
    hint->setMessage(QStringLiteral("A senha não é salva nem pode ser recuperada."));
    newForm->addRow(QString(), hint);
    // Both sections' fields line up.
    currentForm->setLabelAlignment(newForm->labelAlignment());
    currentForm->labelForField(current_)->setMinimumWidth(newForm->labelForField(confirmation_)->sizeHint().width());

    cancel_->setAutoDefault(false);
    change_->setDefault(true);
    new SheetLayout(*this, QStringLiteral("Alterar senha"), SheetLayout::vaultSubtitle(vault_.name),
                    {currentSection, newSection}, {cancel_, change_});

    connect(current_, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_.currentPassword = text;
        form_.currentPasswordRefused = false;
        showForm();
    });
    connect(newPassword_, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_.newPassword = text;
        showForm();
    });
    connect(confirmation_, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_.confirmation = text;
        showForm();
    });
    connect(cancel_, &QPushButton::clicked, this, &ChangePasswordSheet::reject);
    connect(change_, &QPushButton::clicked, this, &ChangePasswordSheet::changePassword);
    connect(&store_, &VaultStore::isBusyChanged, this, &ChangePasswordSheet::showForm);
    showForm();
    current_->setFocus();
}

void ChangePasswordSheet::changePassword()
{
    if (isChanging_) {
        return;
    }
    form_.didAttemptChange = true;
    showForm();
    if (!form_.canChange(store_.isBusy())) {
        return;
    }
    const QPointer<ChangePasswordSheet> self(this);
    if (!store_.enqueueChangePassword(vault_.id, form_.currentPassword, form_.newPassword,
                                      [self](PasswordChangeOutcome outcome) {
                                          if (self) {
                                              self->finish(outcome);
                                          }
                                      })) {
        // The store's error alert says why; the form stays as typed.
        return;
    }
    isChanging_ = true;
    showForm();
}

void ChangePasswordSheet::finish(PasswordChangeOutcome outcome)
{
    isChanging_ = false;
    switch (outcome) {
    case PasswordChangeOutcome::changed:
        current_->clear();
        newPassword_->clear();
        confirmation_->clear();
        accept();
        return;
    case PasswordChangeOutcome::currentPasswordIncorrect:
        current_->clear();
        form_.currentPasswordRefused = true;
        showForm();
        current_->setFocus();
        return;
    case PasswordChangeOutcome::failed:
        // The store's alert says why; its message must stay, so this is not the user's cancel.
        done(QDialog::Rejected);
        return;
    }
}

void ChangePasswordSheet::reject()
{
    if (isChanging_) {
        return;
    }
    store_.clearMessages();
    QDialog::reject();
}

void ChangePasswordSheet::keyPressEvent(QKeyEvent* event)
{
    // Return tries even while the button is disabled, so that the attempt shows what is missing.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        changePassword();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ChangePasswordSheet::showForm()
{
    currentMessage_->setMessage(form_.currentPasswordMessage());
    newPasswordMessage_->setMessage(form_.newPasswordMessage());
    for (QWidget* field : {static_cast<QWidget*>(current_), static_cast<QWidget*>(newPassword_),
                           static_cast<QWidget*>(confirmation_), static_cast<QWidget*>(cancel_)}) {
        field->setEnabled(!isChanging_);
    }
    change_->setEnabled(!isChanging_ && form_.canChange(store_.isBusy()));
}
