// Recovery key and check: reading a vault's recovery key, setting a new password with it, and
// reading a whole vault to find damage. Secrets reach the disk-image service only as the
// operation's wiped copies.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "model/RecoveryKeyText.h"
#include "platform/SecretText.h"
#include "system/DiskImageService.h"

#include <memory>

namespace {

// How a form's request ended when it failed: a wrong password or key is the form's to show beside
// its field; anything else goes to `report`, the store's alert.
FormOutcome failedOutcome(const std::exception_ptr& failure, const std::function<void(const QString&)>& report)
{
    if (isVaultError(failure, VaultError::Kind::vaultPasswordIncorrect) ||
        isVaultError(failure, VaultError::Kind::recoveryKeyIncorrect)) {
        return FormOutcome::refused;
    }
    report(userMessage(failure));
    return FormOutcome::failed;
}

} // namespace

bool VaultStore::enqueueShowRecoveryKey(QUuid vaultID, const QString& password, const RecoveryKeyCompletion& completion)
{
    const std::optional<Vault> vault = acceptedVaultRequest(vaultID);
    if (!vault || !beginOperation(vaultID, true, true)) {
        return false;
    }
    VaultOperationState record = VaultOperationState::starting(VaultOperationKind::showRecoveryKey, vaultID);
    record.phase = VaultOperationPhase::readingRecoveryKey;
    const auto secret = std::make_shared<const SecretText>(password);
    launchOperation(record, [this, vault = *vault, secret, completion](std::stop_token cancellation) -> QCoro::Task<> {
        std::shared_ptr<const SecretText> key;
        FormOutcome outcome = FormOutcome::failed;
        try {
            key = co_await diskImageService_.recoveryKey(vault, secret->text(), cancellation);
            outcome = FormOutcome::done;
        } catch (...) {
            outcome = failedOutcome(std::current_exception(), [this](const QString& why) { setErrorMessage(why); });
        }
        completion(outcome, key);
    });
    return true;
}

bool VaultStore::enqueueResetPassword(QUuid vaultID, const QString& recoveryKey, const QString& newPassword,
                                      const std::function<void(FormOutcome)>& completion)
{
    const std::optional<Vault> vault = acceptedVaultRequest(vaultID, [&] {
        if (!RecoveryKeyText::isWellFormed(recoveryKey)) {
            throw VaultError(VaultError::Kind::invalidRecoveryKey);
        }
        validateNewPassword(newPassword);
    });
    if (!vault || !beginOperation(vaultID, true, true)) {
        return false;
    }
    VaultOperationState record = VaultOperationState::starting(VaultOperationKind::resetPassword, vaultID);
    record.phase = VaultOperationPhase::resettingPassword;
    const auto key = std::make_shared<const SecretText>(recoveryKey);
    const auto replacement = std::make_shared<const SecretText>(newPassword);
    launchOperation(
        record, [this, vault = *vault, key, replacement, completion](std::stop_token cancellation) -> QCoro::Task<> {
            FormOutcome outcome = FormOutcome::failed;
            try {
                co_await diskImageService_.resetPassword(vault, key->text(), replacement->text(), cancellation);
                setNoticeMessage(QStringLiteral("A senha do cofre “") + vault.name +
                                 QStringLiteral("” foi redefinida com a chave de recuperação. A senha antiga não "
                                                "abre mais o cofre."));
                outcome = FormOutcome::done;
            } catch (...) {
                outcome = failedOutcome(std::current_exception(), [this](const QString& why) { setErrorMessage(why); });
            }
            if (completion) {
                completion(outcome);
            }
        });
    return true;
}

bool VaultStore::enqueueVerify(QUuid vaultID, const QString& password, const CheckCompletion& completion)
{
    const std::optional<Vault> vault = acceptedVaultRequest(vaultID);
    if (!vault || !beginOperation(vaultID, true, true)) {
        return false;
    }
    VaultOperationState record = VaultOperationState::starting(VaultOperationKind::verify, vaultID);
    record.phase = VaultOperationPhase::verifying;
    record.currentItemName = vault->name;
    const auto secret = std::make_shared<const SecretText>(password);
    launchOperation(record, [this, vault = *vault, secret, completion](std::stop_token cancellation) -> QCoro::Task<> {
        std::optional<VaultCheckReport> report;
        FormOutcome outcome = FormOutcome::failed;
        try {
            report = co_await diskImageService_.verify(vault, secret->text(), cancellation);
            outcome = FormOutcome::done;
        } catch (...) {
            // A check stopped midway may end in another error the stop caused; the stop is what happened.
            outcome = failedOutcome(std::current_exception(), [this, cancellation](const QString& why) {
                setErrorMessage(cancellation.stop_requested()
                                    ? VaultError(VaultError::Kind::operationCancelled).errorDescription()
                                    : why);
            });
        }
        completion(outcome, report);
    });
    return true;
}

QCoro::Task<> VaultStore::keepNewVaultRecoveryKey(Vault vault, QString password, QStringList& warnings)
{
    try {
        newVaultRecoveryKey_ = co_await diskImageService_.recoveryKey(vault, password, {});
    } catch (...) {
        warnings.append(QStringLiteral("A chave de recuperação não pôde ser lida agora (") +
                        userMessage(std::current_exception()) +
                        QStringLiteral("); veja-a depois em “Mostrar chave de recuperação…”, no menu do cofre."));
    }
}

std::shared_ptr<const SecretText> VaultStore::takeNewVaultRecoveryKey()
{
    return std::exchange(newVaultRecoveryKey_, nullptr);
}
