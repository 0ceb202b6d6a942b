#pragma once

#include "model/VaultStatus.h"

// The state of one catalogue entry, as the sidebar shows it.
enum class VaultRowState {
    unlocked,
    locked,
    missingImage,
    needsAttention,
};

// Each row state is shown as the status of the same name when its vault is selected.
constexpr VaultStatus toVaultStatus(VaultRowState state)
{
    switch (state) {
    case VaultRowState::unlocked:
        return VaultStatus::unlocked;
    case VaultRowState::locked:
        return VaultStatus::locked;
    case VaultRowState::missingImage:
        return VaultStatus::missingImage;
    case VaultRowState::needsAttention:
        return VaultStatus::needsAttention;
    }
    return VaultStatus::needsAttention;
}
