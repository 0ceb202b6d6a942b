// Capacity: what a vault may hold against what its encrypted image takes, shown for the unlocked
// vault, enforced before an import copies anything, and raised on request.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "platform/FileLocation.h"
#include "system/DiskImageService.h"
#include "system/FinderImportDiskServicing.h"

#include <QFile>

#include <QTimer>

#include <chrono>

#include <sys/statvfs.h>

namespace {

// Measuring walks the whole vault through a tool run. It lets the listing reach the screen first,
// and whatever the user does next: an operation begun meanwhile stops it before it has started.
constexpr std::chrono::milliseconds capacityMeasurementDelay{250};

// gocryptfs stores every 4 KiB block of a file with a 32-byte nonce and tag, and each file with
// an 18-byte header; the blocks the disk allocates round each file up further, which the
// headroom per block covers for all but the tiniest files.
qint64 encryptedSize(qint64 bytes)
{
    constexpr qint64 block = 4096;
    constexpr qint64 overheadPerBlock = 32 + 32;
    const qint64 blocks = bytes / block + 1;
    return bytes + blocks * overheadPerBlock;
}

// The bytes an unprivileged user may still write on the disk holding `path`; none when unknown.
std::optional<qint64> freeBytesOnDiskOf(const QString& path)
{
    struct statvfs disk = {};
    if (::statvfs(QFile::encodeName(path).constData(), &disk) != 0) {
        return std::nullopt;
    }
    return static_cast<qint64>(disk.f_bavail) * static_cast<qint64>(disk.f_frsize);
}

} // namespace

void VaultStore::measureSelectedCapacity()
{
    const quint64 measurement = ++capacityMeasurement_;
    const std::optional<Vault> vault = selectedVault();
    if (!vault || !sessions_.contains(vault->id)) {
        setSelectedCapacity(std::nullopt);
        return;
    }
    capacityStopSource_ = std::stop_source();
    QTimer::singleShot(capacityMeasurementDelay, this,
                       [this, measurement, measured = *vault, stop = capacityStopSource_.get_token()] {
                           if (measurement == capacityMeasurement_ && !stop.stop_requested()) {
                               takeCapacityMeasurement(measurement, measured, stop);
                           }
                       });
}

void VaultStore::takeCapacityMeasurement(quint64 measurement, const Vault& vault, const std::stop_token& stop)
{
    // Started at once and not kept: it runs up to the service's answer, and lets the figures go if
    // the store is gone or a newer measurement has begun by then. A lambda without captures, so
    // that the coroutine holds nothing the expression owned.
    [](QPointer<VaultStore> store, quint64 number, Vault measured, std::stop_token stop) -> QCoro::Task<> {
        std::optional<VaultCapacity> capacity;
        try {
            capacity = co_await store->finderImportDiskService_.capacity(measured, stop);
        } catch (...) {
            // Without figures the screen shows no bar; nothing else depends on them.
        }
        // A stopped measurement leaves the figures as they were, until the operation that stopped
        // it ends and measures again.
        if (store && number == store->capacityMeasurement_ && !stop.stop_requested()) {
            store->setSelectedCapacity(capacity);
        }
    }(QPointer<VaultStore>(this), measurement, vault, stop);
}

QCoro::Task<> VaultStore::requireRoomFor(Vault vault, qint64 bytes)
{
    const qint64 needed = encryptedSize(bytes);
    const VaultCapacity capacity = co_await finderImportDiskService_.capacity(vault, {});
    if (needed > capacity.roomLeft()) {
        throw VaultError::insufficientVaultSpace(vault.name, needed - capacity.roomLeft());
    }
    const QString image = FileLocation::path(vault.imageURL);
    if (const std::optional<qint64> free = freeBytesOnDiskOf(image); free && needed > *free) {
        throw VaultError::insufficientDiskSpace(needed - *free);
    }
}

std::optional<Vault> VaultStore::acceptedVaultRequest(const QUuid& vaultID, const std::function<void()>& checks)
{
    if (!canEnqueueOperation()) {
        setErrorMessage(VaultError(VaultError::Kind::operationInProgress).errorDescription());
        return std::nullopt;
    }
    try {
        std::optional<Vault> vault = catalogueVault(vaultID);
        if (!vault) {
            throw VaultError(VaultError::Kind::noSelection);
        }
        if (!VaultRegistry::entryExists(vault->imageURL)) {
            throw VaultError(VaultError::Kind::missingImage);
        }
        if (checks) {
            checks();
        }
        return vault;
    } catch (...) {
        setErrorMessage(userMessage(std::current_exception()));
        return std::nullopt;
    }
}

bool VaultStore::enqueueResize(QUuid vaultID, int sizeInGigabytes, const std::function<void(FormOutcome)>& completion)
{
    const std::optional<Vault> vault = acceptedVaultRequest(vaultID);
    if (!vault) {
        return false;
    }
    constexpr int largestSizeInGigabytes = 2048;
    if (sizeInGigabytes < 1 || sizeInGigabytes > largestSizeInGigabytes) {
        setErrorMessage(VaultError(VaultError::Kind::invalidSize).errorDescription());
        return false;
    }
    if (!beginOperation(vaultID, true, true)) {
        return false;
    }
    VaultOperationState record = VaultOperationState::starting(VaultOperationKind::resize, vaultID);
    record.phase = VaultOperationPhase::resizing;
    launchOperation(record, [this, vault = *vault, sizeInGigabytes, completion](std::stop_token) -> QCoro::Task<> {
        FormOutcome outcome = FormOutcome::failed;
        try {
            co_await diskImageService_.resize(vault, sizeInGigabytes);
            setNoticeMessage(QStringLiteral("A capacidade do cofre “") + vault.name + QStringLiteral("” agora é de ") +
                             QString::number(sizeInGigabytes) + QStringLiteral(" GB."));
            outcome = FormOutcome::done;
        } catch (...) {
            setErrorMessage(userMessage(std::current_exception()));
        }
        measureSelectedCapacity();
        if (completion) {
            completion(outcome);
        }
    });
    return true;
}
