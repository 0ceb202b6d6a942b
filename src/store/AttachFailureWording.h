#pragma once

#include <QString>

#include <exception>
#include <optional>

// What the user is told when attaching a vault failed, once the system has been asked again
// where the vault really is. The wording depends on that answer, on whether the attach's own
// clean-up failed too (MountedRollbackFailure) and on whether the vault was created by the same
// operation. Unlock, create and the import's unlock all word it this way.
struct AttachFailureWording
{
    // Where the second discovery found the vault: still mounted, not mounted, or nowhere
    // known because that discovery failed too.
    enum class MountState {
        mounted,
        notMounted,
        unconfirmed
    };

    QString errorMessage;
    // The notice's first paragraph, before any warnings; none when the notice is only the
    // warnings.
    std::optional<QString> noticeBase;

    // `discoveryFailure` is the second discovery's failure, used when the state is unconfirmed.
    static AttachFailureWording describe(const std::exception_ptr& attachFailure, bool createdNow, MountState state,
                                         const std::exception_ptr& discoveryFailure = nullptr);
};
