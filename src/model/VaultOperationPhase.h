#pragma once

// The phases of a long operation, in the order it moves through them. The order matters: an
// operation can be cancelled only in a phase before `committing`.
enum class VaultOperationPhase {
    preparingVault,
    creatingVault,
    unlockingVault,
    preparingCopy,
    copying,
    // Reading a whole vault to check it changes nothing, so it can stop at any moment.
    verifying,
    committing,
    // A password change is one short step that must not be cut short either; so are the other
    // changes of a vault's configuration and the reading of its key.
    changingPassword,
    resettingPassword,
    resizing,
    readingRecoveryKey,
    refreshing,
    cancelling,
};

// From `committing` on, the work already done is being made permanent and must not be cut short.
constexpr bool isCancellable(VaultOperationPhase phase)
{
    return phase < VaultOperationPhase::committing;
}
