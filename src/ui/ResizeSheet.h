#pragma once

#include "model/Vault.h"
#include "store/VaultStore.h"

#include <QDialog>

class QPushButton;
class QSpinBox;

// The modal form that sets a vault's capacity in gigabytes ("Nova capacidade"). The store refuses
// a capacity below what the vault already uses and says so; the sheet closes once the store has
// answered either way.
class ResizeSheet : public QDialog
{
    Q_OBJECT

public:
    // `currentGigabytes`: the capacity to start from, when known. Window-modal over `parent` once
    // open()ed; it deletes itself when it closes.
    ResizeSheet(VaultStore& store, Vault vault, std::optional<int> currentGigabytes, QWidget* parent);

    void submit();

private:
    VaultStore& store_;
    Vault vault_;
    QSpinBox* size_;
    QPushButton* cancel_;
    QPushButton* resize_;
};
