#pragma once

#include "model/Vault.h"
#include "store/VaultStore.h"
#include "ui/ChangePasswordForm.h"

#include <QDialog>

class InlineMessage;
class QLineEdit;
class QPushButton;

// The modal form that gives a vault a new password: the current one, the new one twice. It stays
// open while the store changes the password (the operation banner shows it), says beside the
// field when the current password is wrong, and closes once the change is done or has failed
// otherwise (the store's alert then says why).
class ChangePasswordSheet : public QDialog
{
    Q_OBJECT

public:
    // Window-modal over `parent` once open()ed; it deletes itself when it closes.
    ChangePasswordSheet(VaultStore& store, Vault vault, QWidget* parent);

    const ChangePasswordForm& form() const { return form_; }

    // "Alterar senha": shows what is missing, or hands the change to the store.
    void changePassword();

    // Closing by the user (Cancelar, Escape) clears the store's messages, as the create sheet
    // does; it waits while the change runs.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish(PasswordChangeOutcome outcome);
    void showForm();

    VaultStore& store_;
    Vault vault_;
    ChangePasswordForm form_;
    bool isChanging_ = false;
    QLineEdit* current_;
    InlineMessage* currentMessage_;
    QLineEdit* newPassword_;
    QLineEdit* confirmation_;
    InlineMessage* newPasswordMessage_;
    QPushButton* cancel_;
    QPushButton* change_;
};
