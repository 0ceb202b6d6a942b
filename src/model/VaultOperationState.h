#pragma once

#include "model/VaultOperationKind.h"
#include "model/VaultOperationPhase.h"

#include <QString>
#include <QUuid>

#include <cstdint>
#include <optional>

// The progress record of the running create, import or password change, shown by the
// operation banner.
struct VaultOperationState
{
    QUuid id;
    VaultOperationKind kind = VaultOperationKind::create;
    std::optional<QUuid> targetVaultID;
    VaultOperationPhase phase = VaultOperationPhase::preparingVault;
    std::optional<QString> currentItemName;
    std::optional<std::int64_t> completedBytes;
    std::optional<std::int64_t> totalBytes;

    // A fresh record for an operation that is just starting: new id, first phase, no progress.
    static VaultOperationState starting(VaultOperationKind kind, std::optional<QUuid> targetVaultID = std::nullopt);

    // Whole percent done, rounded down and capped at 100; absent while the total is unknown
    // or zero. Rounding down keeps "100" for a copy that really is complete.
    std::optional<int> percentage() const;

    bool operator==(const VaultOperationState&) const = default;
};
