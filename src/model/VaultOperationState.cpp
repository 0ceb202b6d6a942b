#include "model/VaultOperationState.h"

#include <algorithm>

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
    // Integer arithmetic, wide enough for any two byte counts: a double quotient would show
    // 29 of 100 bytes as 28 %, since 0.29 × 100 is just below 29 in binary floating point.
    const __int128 percent = static_cast<__int128>(*completedBytes) * 100 / *totalBytes;
    return static_cast<int>(std::min<__int128>(percent, 100));
}
