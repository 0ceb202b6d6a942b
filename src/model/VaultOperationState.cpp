#include "model/VaultOperationState.h"

#include <algorithm>
#include <cmath>

VaultOperationState VaultOperationState::starting(VaultOperationKind kind, std::optional<QUuid> targetVaultID)
{
    VaultOperationState state;
    state.id = QUuid::createUuid();
    state.kind = kind;
    state.targetVaultID = targetVaultID;
    return state;
}

std::optional<int> VaultOperationState::percentage() const
{
    if (!completedBytes || !totalBytes || *totalBytes <= 0) {
        return std::nullopt;
    }
    if (*completedBytes <= 0) {
        return 0;
    }
    // The fraction is taken as a double and floored, so 99.9 % shows as 99 and an overshoot
    // is capped at 100, the same figure every other view of the operation computes.
    const double fraction = static_cast<double>(*completedBytes) / static_cast<double>(*totalBytes);
    return static_cast<int>(std::floor(std::min(fraction, 1.0) * 100.0));
}
