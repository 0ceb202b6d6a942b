#pragma once

// The long operations that publish progress and can be cancelled.
enum class VaultOperationKind {
    create,
    import,
};
