// Password change: a vault's image is given a new password through the disk-image tool. Only the
// wrapping of the vault's key changes, so the contents are not rewritten and the vault may be
// locked or unlocked meanwhile.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "platform/SecretText.h"
#include "system/DiskImageService.h"

bool VaultStore::enqueueChangePassword(QUuid vaultID, const QString& currentPassword, const QString& newPassword,
                                       const PasswordChangeCompletion& completion)
{
    const auto checks = [&] {
        validatePassword(currentPassword);
        validateNewPassword(newPassword);
    };
    if (!acceptedVaultRequest(vaultID, checks) || !beginOperation(vaultID, true, true)) {
        return false;
    }
    VaultOperationState record = VaultOperationState::starting(VaultOperationKind::changePassword, vaultID);
    record.phase = VaultOperationPhase::changingPassword;
    // The operation's copies of the passwords share these buffers, which are wiped when it ends.
    const auto current = std::make_shared<const SecretText>(currentPassword);
    const auto replacement = std::make_shared<const SecretText>(newPassword);
    launchOperation(record, [this, vaultID, current, replacement, completion](std::stop_token cancellation) {
        return performChangePassword(vaultID, current->text(), replacement->text(), completion, cancellation);
    });
    return true;
}

QCoro::Task<> VaultStore::performChangePassword(QUuid vaultID, QString currentPassword, QString newPassword,
                                                PasswordChangeCompletion completion, std::stop_token cancellation)
{
    PasswordChangeOutcome outcome = PasswordChangeOutcome::failed;
    try {
        const std::optional<Vault> vault = catalogueVault(vaultID);
        if (!vault) {
            throw VaultError(VaultError::Kind::noSelection);
        }
        if (!VaultRegistry::entryExists(vault->imageURL)) {
            throw VaultError(VaultError::Kind::missingImage);
        }
        co_await diskImageService_.changePassword(*vault, currentPassword, newPassword, std::move(cancellation));
        setNoticeMessage(QStringLiteral("A senha do cofre “") + vault->name + QStringLiteral("” foi alterada."));
        outcome = PasswordChangeOutcome::changed;
    } catch (...) {
        if (isVaultError(std::current_exception(), VaultError::Kind::currentPasswordIncorrect)) {
            outcome = PasswordChangeOutcome::currentPasswordIncorrect;
        } else {
            setErrorMessage(userMessage(std::current_exception()));
        }
    }
    updateStatus();
    if (completion) {
        completion(outcome);
    }
}
