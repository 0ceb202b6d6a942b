#pragma once

#include "store/VaultImportBatchResult.h"
#include "system/VaultCheckReport.h"

#include <functional>
#include <memory>
#include <optional>

class SecretText;

// How the store's background operations end, for the form or sheet that asked for one: each
// completion is called after the store has shown the outcome.

// How a password change ended. A wrong current password shows no banner: the form says it
// beside the field.
enum class PasswordChangeOutcome {
    changed,
    currentPasswordIncorrect,
    failed
};
using PasswordChangeCompletion = std::function<void(PasswordChangeOutcome)>;

// How a capacity, recovery-key or check request ended. A wrong password or key shows no banner:
// the form says it beside the field.
enum class FormOutcome {
    done,
    refused,
    failed
};
// A recovery key read with the vault's password.
using RecoveryKeyCompletion = std::function<void(FormOutcome, std::shared_ptr<const SecretText>)>;
// A check's findings.
using CheckCompletion = std::function<void(FormOutcome, std::optional<VaultCheckReport>)>;

// An import's result, once the store has applied it.
using ImportCompletion = std::function<void(const VaultImportBatchResult&)>;
