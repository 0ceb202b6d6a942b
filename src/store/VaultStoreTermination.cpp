// Quitting: every image still attached from the storage folder is ejected, whether or not the
// store believed it unlocked, and a second listing confirms it, so the program never quits
// leaving a vault open without saying so.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "platform/FileLocation.h"
#include "platform/NextEventLoopTurn.h"
#include "system/FinderImportDiskServicing.h"
#include "system/MountedDiskImage.h"

#include <QCollator>
#include <QLocale>
#include <QTimer>

#include <qcoro/qcorosignal.h>

#include <algorithm>
#include <chrono>

namespace {

QString unconfirmedBeforeQuittingMessage(const std::exception_ptr& failure)
{
    return QStringLiteral("Não foi possível confirmar os cofres antes de encerrar: ") + userMessage(failure);
}

QString unconfirmedAfterEjectingMessage(const QStringList& ejectFailures, const std::exception_ptr& failure)
{
    QString message = QStringLiteral("Não foi possível confirmar se todos os cofres foram bloqueados.");
    if (!ejectFailures.isEmpty()) {
        message += QStringLiteral(" Falhas ao desmontar: ") + ejectFailures.join(QStringLiteral("; ")) + u'.';
    }
    return message + u' ' + userMessage(failure);
}

QString notAllLockedMessage(const QStringList& ejectFailures, const QStringList& stillMounted)
{
    QStringList parts;
    if (!ejectFailures.isEmpty()) {
        parts.append(QStringLiteral("falhas: ") + ejectFailures.join(QStringLiteral("; ")));
    }
    if (!stillMounted.isEmpty()) {
        parts.append(QStringLiteral("ainda montados: ") + stillMounted.join(QStringLiteral(", ")));
    }
    return QStringLiteral("Não foi possível bloquear todos os cofres (") + parts.join(QStringLiteral(" | ")) +
           QStringLiteral(").");
}

QString allLockedNotice()
{
    return QStringLiteral("Todos os cofres foram bloqueados.");
}

// How long quitting waits for one vault's eject before stopping its tools.
// A polite eject runs its tool up to three times with pauses between, and names the holders of a
// busy volume from every process's open files: on a loaded machine that takes a few seconds.
constexpr std::chrono::seconds hungEjectPatience{15};

QString hungEjectText()
{
    return QStringLiteral(": o bloqueio não respondeu em ") + QString::number(hungEjectPatience.count()) +
           QStringLiteral(" segundos e foi interrompido");
}

QString ejectFailureLine(const QString& displayName, const std::exception_ptr& failure)
{
    return displayName + QStringLiteral(": ") + userMessage(failure);
}

// The file manager's order, so that the summary lists vaults as the user sees them.
void sortByImagePath(QList<MountedDiskImage>& images)
{
    QCollator collator(QLocale(QLocale::Portuguese, QLocale::Brazil));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(images.begin(), images.end(), [&collator](const MountedDiskImage& a, const MountedDiskImage& b) {
        return collator.compare(FileLocation::path(a.imageURL), FileLocation::path(b.imageURL)) < 0;
    });
}

} // namespace

QCoro::Task<bool> VaultStore::prepareForTermination()
{
    isPreparingForTermination_ = true;
    co_await cancelActiveOperationAndWait();
    // A refresh or a lock holds the gate with nothing to cancel, and the first refresh runs as
    // the window opens: quitting waits for it to end instead of being refused, since a signal or
    // the end of the session cannot ask again.
    while (isBusy_) {
        co_await qCoro(this, &VaultStore::isBusyChanged);
        // The holder is still finishing its operation; the gate is taken once it has.
        co_await NextEventLoopTurn{};
    }
    const bool locked = co_await lockAllForTermination();
    if (!locked) {
        // The program goes on running: refreshes asked for meanwhile may run again.
        isPreparingForTermination_ = false;
        schedulePendingRefreshIfNeeded();
    }
    co_return locked;
}

QCoro::Task<bool> VaultStore::lockAllForTermination()
{
    if (!beginOperation(std::nullopt, true, true)) {
        co_return false;
    }
    const bool locked = co_await lockAllHoldingGate();
    endOperation();
    co_return locked;
}

QCoro::Task<bool> VaultStore::lockAllHoldingGate()
{
    QList<MountedDiskImage> images;
    try {
        images = co_await finderImportDiskService_.mountedImagesInStorage();
    } catch (...) {
        markAllVaultsAsNeedingAttention();
        setErrorMessage(unconfirmedBeforeQuittingMessage(std::current_exception()));
        co_return false;
    }
    applyStorageMountsToKnownVaults(images);
    sortByImagePath(images);
    const auto displayName = [this](const MountedDiskImage& image) {
        const std::optional<Vault> vault = vaultForImageAt(image.imageURL);
        return vault ? vault->name : FileLocation::lastPathComponent(FileLocation::path(image.imageURL));
    };

    QStringList ejectFailures;
    QSet<QString> failedMountPaths;
    std::optional<QUuid> firstBusyVault;
    // One after another: ejecting in parallel would only make the holders harder to name. A hung
    // volume would hold the quit for the tool's whole time-out: after a few seconds its tools are
    // stopped and the vault is reported as not locked.
    for (const MountedDiskImage& image : std::as_const(images)) {
        std::stop_source patience;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [&patience] { patience.request_stop(); });
        deadline.start(hungEjectPatience);
        std::exception_ptr failure;
        try {
            co_await finderImportDiskService_.eject(image.mountPoint, false, patience.get_token());
        } catch (...) {
            failure = std::current_exception();
        }
        deadline.stop();
        if (!failure) {
            continue;
        }
        ejectFailures.append(patience.stop_requested() ? displayName(image) + hungEjectText()
                                                       : ejectFailureLine(displayName(image), failure));
        failedMountPaths.insert(FileLocation::standardizedPath(image.mountPoint));
        if (!firstBusyVault && isVaultError(failure, VaultError::Kind::volumeBusy)) {
            if (const std::optional<Vault> vault = vaultForImageAt(image.imageURL)) {
                firstBusyVault = vault->id;
            }
        }
    }

    QList<MountedDiskImage> remaining;
    try {
        remaining = co_await finderImportDiskService_.mountedImagesInStorage();
    } catch (...) {
        markAllVaultsAsNeedingAttention();
        setErrorMessage(unconfirmedAfterEjectingMessage(ejectFailures, std::current_exception()));
        co_return false;
    }
    applyStorageMountsToKnownVaults(remaining);

    if (ejectFailures.isEmpty() && remaining.isEmpty()) {
        setContent({});
        updateStatus();
        setNoticeMessage(allLockedNotice());
        co_return true;
    }
    // Images that claimed to detach but are still there.
    QStringList stillMounted;
    for (const MountedDiskImage& image : std::as_const(remaining)) {
        if (!failedMountPaths.contains(FileLocation::standardizedPath(image.mountPoint))) {
            stillMounted.append(displayName(image));
        }
    }
    setErrorMessage(notAllLockedMessage(ejectFailures, stillMounted));
    setForceLockVaultID(firstBusyVault);
    setForceLockContinuesTermination(firstBusyVault.has_value());
    co_return false;
}
