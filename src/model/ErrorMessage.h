#pragma once

#include "model/VaultError.h"

#include <QString>

#include <exception>

// The store's message rule: the user text of any failure an operation met. Errors that carry
// their own Portuguese description (VaultError, MountedRollbackFailure) give it; a POSIX error
// gives its Portuguese system text, after the file it is about (shown relative to
// `namesRelativeTo` when it lies in that folder); anything else its general description.
QString userMessage(const std::exception_ptr& failure, const QString& namesRelativeTo = {});

// True when the failure means the operation was cancelled: the task-cancellation error or
// VaultError::operationCancelled (the store also treats its own cancelled task as cancelled).
bool isCancellation(const std::exception_ptr& failure);

// True when the failure is a VaultError of this kind.
bool isVaultError(const std::exception_ptr& failure, VaultError::Kind kind);
