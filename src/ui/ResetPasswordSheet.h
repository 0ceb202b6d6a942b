#pragma once

#include "model/Vault.h"
#include "store/VaultStore.h"

#include <QDialog>

class InlineMessage;
class QLineEdit;
class QPushButton;

// The modal form that gives a vault a new password with its recovery key: "Chave de
// recuperação" (the digits, with or without dashes and spaces), "Nova senha" and "Confirmar nova
// senha". A key that does not open the vault is said beside its field and changes nothing; the
// sheet closes once the password is set, or when the store's alert says why it could not be.
class ResetPasswordSheet : public QDialog
{
    Q_OBJECT

public:
    // Window-modal over `parent` once open()ed; it deletes itself when it closes.
    ResetPasswordSheet(VaultStore& store, Vault vault, QWidget* parent);

    void submit();
    void reject() override;

private:
    void finish(FormOutcome outcome);
    void showForm();
    bool canSubmit() const;

    VaultStore& store_;
    Vault vault_;
    bool isWorking_ = false;
    bool didAttempt_ = false;
    bool wasRefused_ = false;
    QLineEdit* key_;
    InlineMessage* keyMessage_;
    QLineEdit* newPassword_;
    QLineEdit* confirmation_;
    InlineMessage* passwordMessage_;
    QPushButton* cancel_;
    QPushButton* reset_;
};
