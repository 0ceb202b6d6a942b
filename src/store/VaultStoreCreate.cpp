// Create: a name, a capacity and a password become an encrypted image in the storage folder, a
// catalogue entry and, when all goes well, an unlocked, selected, empty vault. Every step that
// changes stored data has its rollback; the image exists alone only until the catalogue is saved.
#include "store/VaultStore.h"

#include "model/CancellationError.h"
#include "model/ErrorMessage.h"
#include "platform/FileLocation.h"
#include "platform/SecretText.h"
#include "platform/SecurityScopedAccess.h"
#include "platform/UserPerceivedText.h"
#include "posix/VaultPasswordLimit.h"
#include "system/DiskImageService.h"

#include <memory>

namespace {

constexpr qsizetype maximumNameLength = 80;
constexpr qsizetype minimumPasswordLength = 8;
constexpr int minimumSizeInGigabytes = 1;
constexpr int maximumSizeInGigabytes = 2048;

// The create's record moves on to `phase`, which reports no item or byte counts.
void clearProgress(VaultOperationState& operation, VaultOperationPhase phase)
{
    operation.phase = phase;
    operation.currentItemName.reset();
    operation.completedBytes.reset();
    operation.totalBytes.reset();
}

// The password's length in UTF-8, counted without making an encoded copy of it.
std::size_t utf8Length(const QString& text)
{
    std::size_t bytes = 0;
    for (const QChar unit : text) {
        const char16_t code = unit.unicode();
        bytes += code < 0x80 ? 1 : code < 0x800 || unit.isSurrogate() ? 2 : 3;
    }
    return bytes;
}

} // namespace

bool VaultStore::enqueueCreateVault(QString name, QString password, int sizeInGigabytes,
                                    std::optional<QUrl> initialSourceURL)
{
    if (!canEnqueueOperation()) {
        setErrorMessage(VaultError(VaultError::Kind::operationInProgress).errorDescription());
        return false;
    }
    try {
        validatedNewVaultRequest(name, password, sizeInGigabytes);
    } catch (...) {
        setErrorMessage(userMessage(std::current_exception()));
        return false;
    }
    if (!beginOperation(std::nullopt, true, true)) {
        return false;
    }
    auto access =
        std::make_shared<SecurityScopedAccess>(initialSourceURL ? QList<QUrl>{*initialSourceURL} : QList<QUrl>{});
    // The operation's copies of the password share this buffer, which is wiped when it ends.
    const auto secret = std::make_shared<const SecretText>(password);
    password = QString();
    launchOperation(
        VaultOperationState::starting(VaultOperationKind::create),
        [this, name, secret, sizeInGigabytes, initialSourceURL](std::stop_token cancellation) {
            return createVaultInBackground(name, secret->text(), sizeInGigabytes, initialSourceURL, cancellation);
        },
        [access]() mutable { access.reset(); });
    return true;
}

QCoro::Task<> VaultStore::createVaultInBackground(QString name, QString password, int sizeInGigabytes,
                                                  std::optional<QUrl> initialSourceURL, std::stop_token cancellation)
{
    const std::optional<Vault> vault = co_await performCreateVault(name, password, sizeInGigabytes, cancellation);
    if (!vault || !initialSourceURL) {
        co_return;
    }
    // The folder is copied in by the import, whose own outcome replaces the creation notice;
    // when the import has nothing to say, the creation notice comes back.
    const std::optional<QString> creationNotice = noticeMessage_;
    setNoticeMessage(std::nullopt);
    const QString folderName = FileLocation::lastPathComponent(FileLocation::path(*initialSourceURL));
    updateActiveOperation([&vault, &folderName](VaultOperationState& operation) {
        operation.targetVaultID = vault->id;
        clearProgress(operation, VaultOperationPhase::preparingCopy);
        operation.currentItemName = folderName;
    });
    const QList<QUrl> sources{*initialSourceURL};
    const std::optional<QString> importPassword = password;
    const VaultImportBatchResult result = co_await performImportItems(sources, vault->id, importPassword, cancellation);
    applyImportResult(result, vault->id);
    if (!noticeMessage_) {
        setNoticeMessage(creationNotice);
    }
}

QCoro::Task<std::optional<Vault>> VaultStore::createVault(QString name, QString password, int sizeInGigabytes)
{
    if (!beginOperation(std::nullopt, true, true)) {
        co_return std::nullopt;
    }
    const SecretText secret(password);
    password = QString();
    const std::optional<Vault> vault = co_await performCreateVault(name, secret.text(), sizeInGigabytes, {});
    endOperation();
    co_return vault;
}

QCoro::Task<std::optional<Vault>> VaultStore::performCreateVault(QString name, QString password, int sizeInGigabytes,
                                                                 std::stop_token cancellation)
{
    Vault vault;
    QStringList warnings;
    QList<Vault> catalogue;
    try {
        if (cancellation.stop_requested()) {
            throw CancellationError();
        }
        // Checked again: the catalogue may have changed since the request was accepted.
        const QString trimmedName = validatedNewVaultRequest(name, password, sizeInGigabytes);
        const QUuid id = QUuid::createUuid();
        vault = Vault{id, trimmedName, registry_.imageURL(id), QDateTime::currentDateTimeUtc()};
        setBusyVaultID(vault.id);
        updateActiveOperation([&vault](VaultOperationState& operation) {
            operation.targetVaultID = vault.id;
            clearProgress(operation, VaultOperationPhase::creatingVault);
        });
        warnings =
            (co_await diskImageService_.createSparseBundle(vault, sizeInGigabytes, password, cancellation)).warnings;

        catalogue = vaults_;
        catalogue.append(vault);
        try {
            registry_.save(catalogue, unusableEntryIDs());
        } catch (...) {
            // An image no catalogue entry names would be invisible to the user: it goes again.
            const std::exception_ptr saveFailure = std::current_exception();
            try {
                diskImageService_.rollbackNewSparseBundle(vault);
            } catch (...) {
                throw VaultError::registryUnavailable(
                    userMessage(saveFailure) +
                    QStringLiteral(" O cofre vazio criado nesta tentativa também não pôde ser removido: ") +
                    userMessage(std::current_exception()));
            }
            std::rethrow_exception(saveFailure);
        }
    } catch (...) {
        setErrorMessage(userMessage(std::current_exception()));
        updateStatus();
        co_return std::nullopt;
    }

    // From here on the vault exists: whatever fails, it stays catalogued and selected.
    setVaults(catalogue);
    setSelectedVaultID(vault.id);
    updateActiveOperation(
        [](VaultOperationState& operation) { clearProgress(operation, VaultOperationPhase::unlockingVault); });

    std::pair<VaultSession, MountProtectionReport> attached;
    std::exception_ptr attachFailure;
    try {
        attached = co_await finderImportDiskService_.attach(vault, password, cancellation);
    } catch (...) {
        attachFailure = std::current_exception();
    }
    if (attachFailure) {
        co_await handleAttachFailure(attachFailure, vault, true, warnings, &finderImportDiskService_);
        co_return vault;
    }
    warnings += attached.second.warnings;
    confirmAttachedSession(attached.first);
    updateActiveOperation(
        [](VaultOperationState& operation) { clearProgress(operation, VaultOperationPhase::refreshing); });
    // Read while the password is at hand: the window shows it once, and never again unasked.
    co_await keepNewVaultRecoveryKey(vault, password, warnings);
    co_await listUnlockedVault(attached.first, QStringLiteral("Cofre criado e desbloqueado."),
                               QStringLiteral("O cofre foi criado e desbloqueado, mas seu conteúdo não pôde ser "
                                              "listado: "),
                               warnings);
    if (newVaultRecoveryKey_) {
        emit newVaultRecoveryKeyReady();
    }
    co_return vault;
}

QString VaultStore::validatedNewVaultRequest(const QString& name, const QString& password, int sizeInGigabytes) const
{
    if (!registryIsUsable_) {
        throw unusableRegistryError();
    }
    QString trimmedName = validatedName(name);
    validateNewPassword(password);
    if (sizeInGigabytes < minimumSizeInGigabytes || sizeInGigabytes > maximumSizeInGigabytes) {
        throw VaultError(VaultError::Kind::invalidSize);
    }
    // Names differing only in case or accents would be told apart by nobody.
    const QString key = VaultRegistry::nameComparisonKey(trimmedName);
    for (const Vault& vault : std::as_const(vaults_)) {
        if (VaultRegistry::nameComparisonKey(vault.name) == key) {
            throw VaultError(VaultError::Kind::duplicateName);
        }
    }
    return trimmedName;
}

QString VaultStore::validatedName(const QString& name)
{
    QString trimmed = name.trimmed();
    const qsizetype length = UserPerceivedText::length(trimmed);
    if (length < 1 || length > maximumNameLength) {
        throw VaultError(VaultError::Kind::invalidName);
    }
    // The name becomes the volume's name and a file name in the Trash.
    for (const char32_t scalar : trimmed.toUcs4()) {
        if (scalar == U'/' || scalar == U':' || UserPerceivedText::isControlCharacter(scalar)) {
            throw VaultError(VaultError::Kind::invalidName);
        }
    }
    return trimmed;
}

void VaultStore::validateNewPassword(const QString& password)
{
    validatePassword(password);
    if (UserPerceivedText::length(password) < minimumPasswordLength) {
        throw VaultError(VaultError::Kind::weakPassword);
    }
}

void VaultStore::validatePassword(const QString& password)
{
    if (password.isEmpty()) {
        throw VaultError(VaultError::Kind::emptyPassword);
    }
    // The disk-image tool reads the password up to its terminating NUL.
    if (password.contains(QChar(u'\0'))) {
        throw VaultError(VaultError::Kind::invalidPassword);
    }
    if (utf8Length(password) > vaultPasswordMaximumBytes) {
        throw VaultError(VaultError::Kind::passwordTooLong);
    }
}
