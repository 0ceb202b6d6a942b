#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <string>

// The application's one error type. Every layer throws it; `errorDescription()` is the exact
// Portuguese text the user sees. Cases keep their declaration order, which callers may rely on.
class VaultError : public std::exception
{
public:
    enum class Kind {
        sourceMissing,
        destinationExists,
        invalidRegistry,
        registryUnavailable,
        unsafeStorage,
        commandFailed,
        commandTimedOut,
        commandOutputTooLarge,
        invalidPropertyList,
        imageCouldNotBeTrashed,
        vaultDeletedButRegistryNotUpdated,
        volumeBusy,
        operationInProgress,
        noSelection,
        vaultLocked,
        missingImage,
        invalidName,
        invalidSize,
        emptyPassword,
        weakPassword,
        invalidPassword,
        unlockFailed,
        duplicateName,
        invalidItem,
        itemChanged,
        operationCancelled,
        noMountedVolume,
        detachDidNotComplete,
        unableToCreatePrivacyMarker,
        finderCouldNotOpen,
        currentPasswordIncorrect,
        passwordTooLong,
        // Attach failures other than a wrong password, each with its own cause.
        attachFailed,
        vaultConfigurationDamaged,
        encryptionToolMissing,
        fuseUnavailable,
        unlockTimedOut,
        vaultPasswordIncorrect,
        invalidRecoveryKey,
        recoveryKeyIncorrect,
        insufficientVaultSpace,
        insufficientDiskSpace,
        capacityBelowUsage,
    };

    // Cases carrying one string: the path, name, detail or tool the text names.
    static VaultError sourceMissing(const QString& pathOrName);
    static VaultError destinationExists(const QString& itemName);
    static VaultError invalidRegistry(const QString& detail);
    static VaultError registryUnavailable(const QString& detail);
    static VaultError unsafeStorage(const QString& detail);
    static VaultError commandTimedOut(const QString& tool);
    static VaultError commandOutputTooLarge(const QString& tool);
    static VaultError invalidPropertyList(const QString& detail);
    static VaultError imageCouldNotBeTrashed(const QString& detail);
    static VaultError vaultDeletedButRegistryNotUpdated(const QString& detail);
    static VaultError attachFailed(const QString& detail);

    static VaultError commandFailed(const QString& tool, std::int32_t status, const QString& diagnostic);
    static VaultError volumeBusy(const QStringList& holders);
    // Space errors name the bytes missing (or, below usage, in use); the vault's name when the
    // vault itself is what is too small.
    static VaultError insufficientVaultSpace(const QString& vaultName, std::int64_t missingBytes);
    static VaultError insufficientDiskSpace(std::int64_t missingBytes);
    static VaultError capacityBelowUsage(std::int64_t usedBytes);

    // Cases without a value.
    explicit VaultError(Kind kind);

    Kind kind() const { return kind_; }
    // The string value of the one-string cases, or the tool of `commandFailed`.
    const QString& value() const { return value_; }
    std::int32_t status() const { return status_; }
    const QString& diagnostic() const { return diagnostic_; }
    const QStringList& holders() const { return holders_; }
    std::int64_t byteCount() const { return byteCount_; }

    QString errorDescription() const;
    const char* what() const noexcept override;

    bool operator==(const VaultError& other) const;

private:
    VaultError(Kind kind, QString value);
    static VaultError withByteCount(Kind kind, QString value, std::int64_t bytes);

    Kind kind_;
    QString value_;
    std::int32_t status_ = 0;
    QString diagnostic_;
    QStringList holders_;
    std::int64_t byteCount_ = 0;
    std::string utf8Description_;
};
