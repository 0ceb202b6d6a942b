// Import: copies the user's files and folders into a vault, item by item, with progress and
// cancellation, unlocking the vault first when a password is given. The sources are only read.
#include "store/VaultStore.h"

#include "platform/SecretText.h"

#include "content/ByteCounts.h"
#include "content/VaultContentServicing.h"
#include "model/CancellationError.h"
#include "model/ErrorMessage.h"
#include "platform/FileLocation.h"
#include "platform/SecurityScopedAccess.h"
#include "store/AttachFailureWording.h"
#include "system/FinderImportDiskServicing.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

namespace {

QString cancelMessage()
{
    return VaultError(VaultError::Kind::operationCancelled).errorDescription();
}

QString operationInProgressMessage()
{
    return VaultError(VaultError::Kind::operationInProgress).errorDescription();
}

// A failure counts as cancelled also when it is some other error that the stop caused (a tool
// killed mid-run, a stream cut short).
bool isCancelled(const std::exception_ptr& failure, const std::stop_token& cancellation)
{
    return isCancellation(failure) || cancellation.stop_requested();
}

// The name the user knows a source by, also for a folder location ending in "/".
QString sourceName(const QUrl& url)
{
    return FileLocation::lastPathComponent(FileLocation::path(url));
}

// Byte figures shown in the banner stop at the largest value rather than wrapping into nonsense.
qint64 saturatingByteSum(qint64 base, qint64 more)
{
    return checkedByteSum(base, more).value_or(std::numeric_limits<qint64>::max());
}

VaultOperationPhase operationPhase(VaultCopyPhase phase)
{
    switch (phase) {
    case VaultCopyPhase::preparing:
        return VaultOperationPhase::preparingCopy;
    case VaultCopyPhase::committing:
        return VaultOperationPhase::committing;
    case VaultCopyPhase::copying:
    case VaultCopyPhase::completed:
        break;
    }
    return VaultOperationPhase::copying;
}

// The item's name, then why it failed; a reason that already begins with the item's name or path,
// or that is the missing-source sentence naming it, is not preceded by the name a second time.
QString failureLine(const VaultImportItemFailure& failure)
{
    const QString name = sourceName(failure.sourceURL);
    if (failure.message.startsWith(name + u':') || failure.message.startsWith(name + u'/') ||
        failure.message == VaultError::sourceMissing(name).errorDescription()) {
        return failure.message;
    }
    return name + QStringLiteral(": ") + failure.message;
}

QString listingFailureLine(const std::exception_ptr& failure)
{
    return QStringLiteral("A cópia foi concluída, mas o conteúdo do cofre não pôde ser atualizado na tela: ") +
           userMessage(failure);
}

// Every source failed with the same message.
VaultImportBatchResult failedImportResult(const QList<QUrl>& urls, const QString& message)
{
    VaultImportBatchResult result;
    for (const QUrl& url : urls) {
        result.failures.append(VaultImportItemFailure{url, message});
    }
    return result;
}

std::optional<QString> importCompletionNotice(qsizetype completedCount, qsizetype renamedCount)
{
    if (completedCount <= 0) {
        return std::nullopt;
    }
    const QString sources = completedCount == 1 ? QStringLiteral("A origem foi preservada.")
                                                : QStringLiteral("As origens foram preservadas.");
    if (renamedCount != 0) {
        return QString::number(completedCount) +
               (completedCount == 1 ? QStringLiteral(" item adicionado; ") : QStringLiteral(" itens adicionados; ")) +
               QString::number(renamedCount) +
               (renamedCount == 1 ? QStringLiteral(" recebeu") : QStringLiteral(" receberam")) +
               QStringLiteral(" outro nome para não substituir conteúdo existente. ") + sources;
    }
    if (completedCount == 1) {
        return QStringLiteral("Item adicionado ao cofre. ") + sources;
    }
    return QString::number(completedCount) + QStringLiteral(" itens adicionados ao cofre. ") + sources;
}

} // namespace

// What the steps before copying established: the mounted session, the protection warnings and
// the measured sizes; or, when attaching failed, that failure (worded by its own handler).
struct VaultStore::ImportPreparation
{
    Vault vault;
    VaultSession session;
    QStringList warnings;
    // Keyed by each source's standardized path.
    QHash<QString, VaultCopyPreflightItem> preflightIndex;
    std::optional<qint64> totalBytes;
    std::exception_ptr attachFailure;
};

bool VaultStore::enqueueImportItems(QList<QUrl> urls, QUuid vaultID, std::optional<QString> password,
                                    ImportCompletion completion)
{
    if (urls.isEmpty()) {
        return false;
    }
    if (!canEnqueueOperation()) {
        setErrorMessage(operationInProgressMessage());
        return false;
    }
    if (!beginOperation(vaultID, true, true)) {
        return false;
    }
    auto access = std::make_shared<SecurityScopedAccess>(urls);
    // The operation's copies of the password share this buffer, which is wiped when it ends.
    const auto secret = password ? std::make_shared<const SecretText>(*password) : nullptr;
    password.reset();
    launchOperation(
        VaultOperationState::starting(VaultOperationKind::import, vaultID),
        [this, urls, vaultID, secret, completion](std::stop_token cancellation) -> QCoro::Task<> {
            const std::optional<QString> password = secret ? std::optional<QString>(secret->text()) : std::nullopt;
            const VaultImportBatchResult result = co_await performImportItems(urls, vaultID, password, cancellation);
            applyImportResult(result, vaultID);
            if (completion) {
                completion(result);
            }
        },
        [access]() mutable { access.reset(); });
    return true;
}

QCoro::Task<VaultImportBatchResult> VaultStore::importItems(QList<QUrl> urls, QUuid vaultID,
                                                            std::optional<QString> password)
{
    if (urls.isEmpty()) {
        co_return VaultImportBatchResult{};
    }
    if (!beginOperation(vaultID, true, true)) {
        co_return failedImportResult(urls, errorMessage_.value_or(operationInProgressMessage()));
    }
    std::optional<SecretText> secret;
    if (password) {
        secret.emplace(*password);
        password = secret->text();
    }
    // Not a background operation: nothing can cancel it.
    const std::stop_token uncancellable;
    VaultImportBatchResult result = co_await performImportItems(urls, vaultID, password, uncancellable);
    password.reset();
    endOperation();
    co_return result;
}

QCoro::Task<bool> VaultStore::addItems(QList<QUrl> urls)
{
    const std::optional<QUuid> selected = requiredSelection();
    if (!selected) {
        co_return false;
    }
    const QUuid vaultID = *selected;
    const std::optional<QString> noPassword;
    const VaultImportBatchResult result = co_await importItems(urls, vaultID, noPassword);
    applyImportResult(result, vaultID);
    co_return result.completedSourceURLs.size() == urls.size() && result.failures.isEmpty();
}

void VaultStore::applyImportResult(const VaultImportBatchResult& result, const QUuid& vaultID)
{
    updateStatus();
    if (result.refreshedContent) {
        publishContent(*result.refreshedContent, vaultID);
    }
}

QCoro::Task<QHash<QUuid, VaultSession>> VaultStore::discoverMountedSessionsForImport(FinderImportDiskServicing* service)
{
    co_await discoverMountedSessions(service);
    // A copy: QCoro moves from an lvalue given to co_return, which would empty the store's map.
    co_return QHash<QUuid, VaultSession>(sessions_);
}

void VaultStore::setImportPhase(VaultOperationPhase phase, std::optional<QString> itemName,
                                std::optional<qint64> completedBytes, std::optional<qint64> totalBytes)
{
    updateActiveOperation([&](VaultOperationState& operation) {
        operation.phase = phase;
        operation.currentItemName = std::move(itemName);
        operation.completedBytes = completedBytes;
        operation.totalBytes = totalBytes;
    });
}

std::function<void(VaultCopyProgress)> VaultStore::importProgressHandler(QString sourceName, qint64 byteBase,
                                                                         std::optional<qint64> totalBytes,
                                                                         std::stop_token cancellation)
{
    // The content service calls this on the store's thread with the newest figures only.
    return [store = QPointer<VaultStore>(this), sourceName, byteBase, totalBytes,
            cancellation](VaultCopyProgress progress) {
        // Once cancelled, the banner keeps saying so instead of showing a copy that is stopping.
        if (!store || cancellation.stop_requested()) {
            return;
        }
        store->updateActiveOperation([&](VaultOperationState& operation) {
            operation.phase = operationPhase(progress.phase);
            operation.currentItemName = progress.currentItem.value_or(sourceName);
            operation.completedBytes = saturatingByteSum(byteBase, progress.completedBytes);
            operation.totalBytes = totalBytes;
        });
    };
}

QCoro::Task<VaultStore::ImportPreparation> VaultStore::prepareImport(QList<QUrl> urls, QUuid vaultID,
                                                                     std::optional<QString> password,
                                                                     std::stop_token cancellation)
{
    throwIfCancelled(cancellation);
    ImportPreparation prepared;
    const std::optional<Vault> vault = catalogueVault(vaultID);
    if (!vault) {
        throw VaultError(VaultError::Kind::noSelection);
    }
    prepared.vault = *vault;

    const QHash<QUuid, VaultSession> mounted = co_await discoverMountedSessionsForImport(&finderImportDiskService_);
    if (const auto session = mounted.constFind(vaultID); session != mounted.cend()) {
        prepared.session = *session;
        const MountProtectionReport protection = co_await finderImportDiskService_.protectExistingMount(*session);
        prepared.warnings += protection.warnings;
    } else {
        if (!VaultRegistry::entryExists(prepared.vault.imageURL)) {
            throw VaultError(VaultError::Kind::missingImage);
        }
        if (!password) {
            throw VaultError(VaultError::Kind::vaultLocked);
        }
        validatePassword(*password);
        setImportPhase(VaultOperationPhase::unlockingVault);
        std::pair<VaultSession, MountProtectionReport> attached;
        try {
            attached = co_await finderImportDiskService_.attach(prepared.vault, *password, cancellation);
        } catch (...) {
            prepared.attachFailure = std::current_exception();
            co_return prepared;
        }
        prepared.session = attached.first;
        prepared.warnings += attached.second.warnings;
        confirmAttachedSession(attached.first);
    }

    // A vault mounted just now stays mounted when the import is cancelled here: it is unlocked,
    // and shown so.
    throwIfCancelled(cancellation);
    setImportPhase(VaultOperationPhase::preparingCopy);
    const VaultCopyPreflight preflight = co_await contentService_.copyPreflight(urls, cancellation);
    for (const VaultCopyPreflightItem& item : preflight.items) {
        prepared.preflightIndex.insert(FileLocation::standardizedPath(item.sourceURL), item);
    }
    prepared.totalBytes = preflight.totalBytes();
    // Nothing is copied when it cannot all fit; a source that could not be measured fails alone.
    if (prepared.totalBytes) {
        co_await requireRoomFor(prepared.vault, *prepared.totalBytes);
    }
    setImportPhase(VaultOperationPhase::preparingCopy, std::nullopt, 0, prepared.totalBytes);
    co_return prepared;
}

QCoro::Task<VaultImportBatchResult> VaultStore::performImportItems(QList<QUrl> urls, QUuid vaultID,
                                                                   std::optional<QString> password,
                                                                   std::stop_token cancellation)
{
    if (urls.isEmpty()) {
        co_return VaultImportBatchResult{};
    }
    ImportPreparation prepared;
    std::exception_ptr preparationFailure;
    try {
        prepared = co_await prepareImport(urls, vaultID, password, cancellation);
    } catch (...) {
        preparationFailure = std::current_exception();
    }
    if (preparationFailure) {
        const QString message =
            isCancelled(preparationFailure, cancellation) ? cancelMessage() : userMessage(preparationFailure);
        setErrorMessage(message);
        co_return failedImportResult(urls, message);
    }
    if (prepared.attachFailure) {
        const QStringList noWarnings;
        co_await handleImportAttachFailure(prepared.attachFailure, prepared.vault, noWarnings,
                                           &finderImportDiskService_);
        co_return failedImportResult(urls, errorMessage_.value_or(userMessage(prepared.attachFailure)));
    }

    const QUrl mountPoint = prepared.session.mountPoint;
    VaultImportBatchResult result;
    qsizetype renamedCount = 0;
    qint64 byteBase = 0;
    for (qsizetype index = 0; index < urls.size(); ++index) {
        const QUrl& url = urls.at(index);
        const QString name = sourceName(url);
        std::exception_ptr failure;
        try {
            throwIfCancelled(cancellation);
            setImportPhase(VaultOperationPhase::copying, name, byteBase, prepared.totalBytes);
            // One item per call, so that each item succeeds or fails on its own.
            QList<QUrl> item;
            item.append(url);
            // Named first: GCC 12 destroys a temporary written inside a co_await expression twice.
            auto progress = importProgressHandler(name, byteBase, prepared.totalBytes, cancellation);
            const QList<QUrl> destinations =
                co_await contentService_.addItems(item, mountPoint, std::move(progress), cancellation);
            if (destinations.isEmpty()) {
                throw VaultError::sourceMissing(name);
            }
            result.completedSourceURLs.append(url);
            if (sourceName(destinations.first()) != name) {
                ++renamedCount;
            }
            const auto measured = prepared.preflightIndex.constFind(FileLocation::standardizedPath(url));
            if (measured != prepared.preflightIndex.cend() && measured->dataBytes) {
                byteBase = saturatingByteSum(byteBase, *measured->dataBytes);
            } else if (activeOperation_ && activeOperation_->completedBytes) {
                // Unmeasured: what the copy reported is the best figure for what is done.
                byteBase = std::max<qint64>(byteBase, *activeOperation_->completedBytes);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (!failure) {
            continue;
        }
        if (isCancelled(failure, cancellation)) {
            for (qsizetype remaining = index; remaining < urls.size(); ++remaining) {
                result.failures.append(VaultImportItemFailure{urls.at(remaining), cancelMessage()});
            }
            setErrorMessage(cancelMessage());
            break;
        }
        // One failing item does not stop the others. A file that failed deep inside a folder is
        // named from the folder the user chose: "Fotos/2019/x.jpg".
        result.failures.append(VaultImportItemFailure{
            url, userMessage(failure, FileLocation::parentPath(FileLocation::standardizedPath(url)))});
    }

    const std::optional<QString> notice = importCompletionNotice(result.completedSourceURLs.size(), renamedCount);
    QStringList failureLines;
    for (const VaultImportItemFailure& failure : std::as_const(result.failures)) {
        failureLines.append(failureLine(failure));
    }
    if (!result.completedSourceURLs.isEmpty()) {
        setImportPhase(VaultOperationPhase::refreshing);
        std::exception_ptr listingFailure;
        try {
            result.refreshedContent = co_await contentService_.listTopLevelItems(mountPoint);
        } catch (...) {
            listingFailure = std::current_exception();
        }
        if (listingFailure) {
            failureLines.append(listingFailureLine(listingFailure));
        }
    }
    setNoticeMessage(completionNotice(notice, prepared.warnings));
    if (!failureLines.isEmpty()) {
        setErrorMessage(failureLines.join(QLatin1Char('\n')));
    }
    co_return result;
}

QCoro::Task<> VaultStore::handleImportAttachFailure(std::exception_ptr failure, Vault vault, QStringList warnings,
                                                    FinderImportDiskServicing* service)
{
    QHash<QUuid, VaultSession> mounted;
    std::exception_ptr discoveryFailure;
    try {
        mounted = co_await discoverMountedSessionsForImport(service);
    } catch (...) {
        discoveryFailure = std::current_exception();
    }
    const AttachFailureWording wording =
        AttachFailureWording::describe(failure, false,
                                       discoveryFailure             ? AttachFailureWording::MountState::unconfirmed
                                       : mounted.contains(vault.id) ? AttachFailureWording::MountState::mounted
                                                                    : AttachFailureWording::MountState::notMounted,
                                       discoveryFailure);
    setErrorMessage(wording.errorMessage);
    setNoticeMessage(completionNotice(wording.noticeBase, warnings));
}
