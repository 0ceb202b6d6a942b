#pragma once

#include "model/Vault.h"

#include <QWidget>

#include <qcoro/qcorotask.h>

class ElidedLabel;
class InlineMessage;
class QLabel;
class QLineEdit;
class QPushButton;
class VaultStore;

// The screen of a locked vault: its name, the password field with "Desbloquear", the last
// failed attempt's message, and what keeps the vault safe.
class VaultLockedView : public QWidget
{
    Q_OBJECT

public:
    explicit VaultLockedView(VaultStore& store, QWidget* parent = nullptr);

    void display(const Vault& vault);
    // Puts the keyboard focus in the password field, as when the sidebar asks to unlock.
    void focusPasswordField();

    // Does nothing with an empty field or a busy store. The field is emptied at once; after a
    // failed attempt the focus comes back to it.
    void unlock();

private:
    void showState();
    QCoro::Task<> unlockAndRefocus(QUuid vaultID, QString password);

    VaultStore& store_;
    Vault vault_;
    ElidedLabel* name_;
    QLineEdit* password_;
    QPushButton* unlock_;
    InlineMessage* failure_;
};
