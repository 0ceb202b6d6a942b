#pragma once

#include "model/Vault.h"
#include "store/VaultStore.h"

#include <QDialog>

#include <functional>

class InlineMessage;
class QLineEdit;
class QPushButton;

// A modal form that asks for a vault's password before an action that needs it (showing its
// recovery key, checking it): the field "Senha do cofre" and the action's button. It stays open
// while the store works (the operation banner shows it), says beside the field when the password
// is wrong, and closes once the action is done or has failed otherwise (the store's alert says
// why).
class VaultPasswordSheet : public QDialog
{
    Q_OBJECT

public:
    // Hands the password to the store and `finished` to hear how it ended; false when the store
    // refused to start (its alert says why).
    using Submit = std::function<bool(const QString& password, std::function<void(FormOutcome)> finished)>;

    // Window-modal over `parent` once open()ed; it deletes itself when it closes.
    VaultPasswordSheet(VaultStore& store, const Vault& vault, const QString& title, const QString& actionTitle,
                       Submit submit, QWidget* parent);

    void submit();
    void reject() override;

private:
    void finish(FormOutcome outcome);
    void showForm();

    VaultStore& store_;
    Submit submit_;
    bool isWorking_ = false;
    bool didAttempt_ = false;
    bool wasRefused_ = false;
    QLineEdit* password_;
    InlineMessage* message_;
    QPushButton* cancel_;
    QPushButton* action_;
};
