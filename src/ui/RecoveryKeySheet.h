#pragma once

#include "model/Vault.h"

#include <QDialog>

#include <memory>

class QLabel;
class SecretText;

// Shows a vault's recovery key once: its 64 digits in groups of four a person can copy by hand,
// in one label a screen reader reads as one text, with "Copiar" and "Guardei a chave de
// recuperação". Closing it in any way before "Copiar" was pressed asks for confirmation, since
// the key is not shown again unless asked for with the password.
class RecoveryKeySheet : public QDialog
{
    Q_OBJECT

public:
    // Window-modal over `parent` once open()ed; it deletes itself when it closes. `key` holds the
    // 64 digits; the sheet keeps its grouped copy in a wiped buffer too.
    RecoveryKeySheet(const Vault& vault, std::shared_ptr<const SecretText> key, QWidget* parent);
    ~RecoveryKeySheet() override;

    // The digits in groups of four, a dash between groups and a line break after the eighth.
    static QString grouped(const QString& digits);

    void reject() override;
    void done(int result) override;

private:
    void copy();

    std::shared_ptr<const SecretText> key_;
    std::unique_ptr<SecretText> shown_;
    QLabel* keyLabel_;
    bool wasCopied_ = false;
    bool isConfirmed_ = false;
};
