#pragma once

#include <QString>
#include <QUuid>

class VaultStore;

// The checks every bench step makes of what it did, each throwing std::runtime_error with what
// went wrong, so that a fast wrong answer never counts as a good time.
namespace StoreChecks {

[[noreturn]] void fail(const QString& message);
// Fails with the store's error message when the step `step` left one.
void requireNoError(const VaultStore& store, const char* step);
// Where the store has the vault mounted; fails when it is not unlocked.
QString mountPoint(const VaultStore& store, const QUuid& vaultID);

} // namespace StoreChecks
