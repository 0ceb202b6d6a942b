#pragma once

// The phases of a long operation, in the order it moves through them. The order matters: an
// operation can be cancelled only in a phase before `committing`.
enum class VaultOperationPhase {
    preparingVault,
    creatingVault,
    unlockingVault,
    preparingCopy,
    copying,
    committing,
    // A password change is one short step that must not be cut short either.
    changingPassword,
    refreshing,
    cancelling,
};

// From `committing` on, the work already done is being made permanent and must not be cut short.
constexpr bool isCancellable(VaultOperationPhase phase)
{
    return phase < VaultOperationPhase::committing;
}
