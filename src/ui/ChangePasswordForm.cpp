#include "ui/ChangePasswordForm.h"

#include "model/VaultError.h"
#include "ui/CreateVaultForm.h"

bool ChangePasswordForm::canChange(bool storeIsBusy) const
{
    return !currentPassword.isEmpty() && CreateVaultForm::isAcceptableNewPassword(newPassword, confirmation) &&
           !storeIsBusy;
}

std::optional<QString> ChangePasswordForm::currentPasswordMessage() const
{
    if (currentPasswordRefused) {
        return VaultError(VaultError::Kind::currentPasswordIncorrect).errorDescription();
    }
    if (didAttemptChange && currentPassword.isEmpty()) {
        return QStringLiteral("Informe a senha atual.");
    }
    return std::nullopt;
}

std::optional<QString> ChangePasswordForm::newPasswordMessage() const
{
    return CreateVaultForm::newPasswordMessage(newPassword, confirmation, didAttemptChange);
}
