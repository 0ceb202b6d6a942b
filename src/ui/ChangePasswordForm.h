#pragma once

#include <QString>

#include <optional>

// What the user has typed into the password-change sheet and what the sheet shows for it. The new
// password follows the create sheet's rules and messages; the store checks them again.
struct ChangePasswordForm
{
    QString currentPassword;
    QString newPassword;
    QString confirmation;
    // Set by the first press of "Alterar senha": messages about empty fields wait for it.
    bool didAttemptChange = false;
    // The store found the current password wrong; forgotten as soon as it is edited.
    bool currentPasswordRefused = false;

    bool canChange(bool storeIsBusy) const;
    std::optional<QString> currentPasswordMessage() const;
    std::optional<QString> newPasswordMessage() const;
};
