#pragma once

// The long operations that publish progress for the operation banner.
enum class VaultOperationKind {
    create,
    import,
    changePassword,
    // Only while the image is being attached: a tool that makes no progress can be stopped.
    unlock,
    resize,
    showRecoveryKey,
    resetPassword,
    verify,
};
