#pragma once

// The status shown for the selected vault.
enum class VaultStatus {
    noSelection,
    locked,
    unlocked,
    missingImage,
    needsAttention,
    unusableEntry,
};
