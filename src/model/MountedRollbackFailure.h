#pragma once

#include "model/VaultSession.h"

#include <QString>

#include <exception>
#include <string>

// Thrown in the one case where an image was attached, finishing the attach failed and the
// automatic detach failed too: the caller must keep showing `session` as mounted.
class MountedRollbackFailure : public std::exception
{
public:
    MountedRollbackFailure(VaultSession session, QString originalFailure, QString rollbackFailure);

    const VaultSession& session() const { return session_; }
    const QString& originalFailure() const { return originalFailure_; }
    const QString& rollbackFailure() const { return rollbackFailure_; }

    QString errorDescription() const;
    const char* what() const noexcept override { return utf8Description_.c_str(); }

private:
    VaultSession session_;
    QString originalFailure_;
    QString rollbackFailure_;
    std::string utf8Description_;
};
