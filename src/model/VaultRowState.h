#pragma once

#include "model/VaultStatus.h"

// The state of one catalogue entry, as the sidebar shows it.
enum class VaultRowState {
    unlocked,
    locked,
    missingImage,
    needsAttention,
    // The catalogue entry itself breaks a rule (a linked image, a path outside the storage
    // folder, a repeated name): the vault cannot be used until it is removed from the list.
    unusableEntry,
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
    case VaultRowState::unusableEntry:
        return VaultStatus::unusableEntry;
    }
    return VaultStatus::needsAttention;
}
