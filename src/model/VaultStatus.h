#pragma once

#include <QString>

// The status shown for the selected vault.
enum class VaultStatus {
    noSelection,
    locked,
    unlocked,
    missingImage,
    needsAttention,
};

// The case's own name ("noSelection", "locked", ...), its stable text form.
QString toString(VaultStatus status);
