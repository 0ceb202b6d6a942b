#pragma once

#include "ui/CreateVaultForm.h"

#include <QDialog>

class InlineMessage;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class VaultStore;

// The modal form in which the user names a new vault, chooses its capacity and password and,
// optionally, a folder copied in as soon as the vault exists. The store runs the creation in
// the background; the sheet closes as soon as the store has accepted the request.
class CreateVaultSheet : public QDialog
{
    Q_OBJECT

public:
    // Window-modal over `parent` once open()ed; it deletes itself when it closes.
    CreateVaultSheet(VaultStore& store, QWidget* parent);

    const CreateVaultForm& form() const { return form_; }

    // "Criar cofre": shows what is missing, or hands the request to the store and closes.
    void createVault();

signals:
    // The store accepted the request; the sheet closes right after.
    void enqueued();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void chooseSourceFolder();
    void showForm();

    VaultStore& store_;
    CreateVaultForm form_;
    QLineEdit* name_;
    InlineMessage* nameWarning_;
    QSpinBox* capacity_;
    QLineEdit* password_;
    QLineEdit* confirmation_;
    InlineMessage* passwordMessage_;
    QLabel* sourceName_;
    QToolButton* removeSource_;
    QPushButton* chooseSource_;
    QLabel* sourceNote_;
    QPushButton* create_;
};
