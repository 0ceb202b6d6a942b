#pragma once

#include <QString>
#include <QUuid>

// The last failed unlock attempt, shown beside that vault's password field.
struct VaultUnlockFailure
{
    QUuid vaultID;
    QString message;

    bool operator==(const VaultUnlockFailure&) const = default;
};
