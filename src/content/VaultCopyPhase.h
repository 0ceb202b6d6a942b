#pragma once

// Where an import call stands, in the order the phases occur.
enum class VaultCopyPhase {
    preparing,
    copying,
    committing,
    completed,
};
