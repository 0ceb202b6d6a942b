#pragma once

// The long operations that publish progress for the operation banner.
enum class VaultOperationKind {
    create,
    import,
    changePassword,
    resize,
    showRecoveryKey,
    resetPassword,
    verify,
};
