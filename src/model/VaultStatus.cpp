#include "model/VaultStatus.h"

QString toString(VaultStatus status)
{
    switch (status) {
    case VaultStatus::noSelection: return QStringLiteral("noSelection");
    case VaultStatus::locked: return QStringLiteral("locked");
    case VaultStatus::unlocked: return QStringLiteral("unlocked");
    case VaultStatus::missingImage: return QStringLiteral("missingImage");
    case VaultStatus::needsAttention: return QStringLiteral("needsAttention");
    }
    return {};
}
