#include "system/DiskImageService.h"

#include "model/ErrorMessage.h"
#include "model/MountedRollbackFailure.h"
#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "platform/FileTrash.h"
#include "platform/PosixError.h"
#include "posix/AttachExitStatus.h"
#include "posix/HiddenFlag.h"
#include "posix/SecretBytes.h"
#include "posix/UnfinishedImages.h"
#include "system/HdiutilPropertyListParser.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <exception>
#include <filesystem>
#include <system_error>

namespace {

// Whether the item's name is already in its folder's hidden list, read with the same helper the
// chflags stand-in writes it with: every unlock prepares the storage folder, and a tool run that
// could only answer "already hidden" is skipped. A list that cannot be read is left to the tool.
bool isHidden(const QString& path)
{
    try {
        return HiddenFlag::isSet(QFile::encodeName(path).toStdString());
    } catch (const std::exception&) {
        return false;
    }
}

std::filesystem::path fileSystemPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// base + " (código N): diagnostic", or base + " (código N)." when the tool said nothing.
QString warning(const QString& base, const SystemProcessResult& result)
{
    const QString diagnostic = result.diagnostic();
    const QString status = QString::number(result.terminationStatus);
    if (diagnostic.isEmpty()) {
        return base + QStringLiteral(" (código ") + status + QStringLiteral(").");
    }
    return base + QStringLiteral(" (código ") + status + QStringLiteral("): ") + diagnostic;
}

VaultError attachFailure(const SystemProcessResult& result)
{
    switch (result.terminationStatus) {
    case AttachExitStatus::wrongPassword:
        return VaultError(VaultError::Kind::unlockFailed);
    case AttachExitStatus::damagedConfiguration:
        return VaultError(VaultError::Kind::vaultConfigurationDamaged);
    case AttachExitStatus::missingTool:
        return VaultError(VaultError::Kind::encryptionToolMissing);
    case AttachExitStatus::fuseUnavailable:
        return VaultError(VaultError::Kind::fuseUnavailable);
    default:
        return VaultError::attachFailed(result.diagnostic());
    }
}

} // namespace

// Each password's UTF-8 bytes followed by one NUL, nothing else. The text is encoded straight into
// the wiped buffer, so no QByteArray copy of a password is ever made.
SecretBytes DiskImageService::nulTerminatedPasswords(std::initializer_list<const QString*> passwords)
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    std::size_t capacity = 0;
    for (const QString* password : passwords) {
        capacity += static_cast<std::size_t>(encoder.requiredSpace(password->size())) + 1;
    }
    SecretBytes bytes(capacity);
    for (const QString* password : passwords) {
        char* end = encoder.appendToBuffer(bytes.end(), *password);
        bytes.grow(static_cast<std::size_t>(end - bytes.end()));
        bytes.append('\0');
    }
    return bytes;
}

DiskImageService::DiskImageService(KovaraPaths paths, SystemProcessRunner& runner, TrashFunction trash)
    : storage_(std::move(paths))
    , runner_(runner)
    , trash_(std::move(trash))
    , log_(QStringLiteral("DiskImageService"))
    , executor_(QStringLiteral("com.kovara.disk-image-service"))
{
}

DiskImageService::TrashFunction DiskImageService::defaultTrash()
{
    return moveItemToTrash;
}

// Each operation names its awaitable before awaiting it: GCC 12 destroys a lambda temporary
// inside a co_await expression twice.
QCoro::Task<MountProtectionReport> DiskImageService::prepareStorage()
{
    auto work = executor_.run([this] { return prepareStorageNow({}); });
    co_return co_await work;
}

QCoro::Task<MountProtectionReport> DiskImageService::createSparseBundle(Vault vault, int sizeInGigabytes,
                                                                        QString password, std::stop_token cancellation)
{
    auto work = executor_.run([this, vault, sizeInGigabytes, password, cancellation] {
        return createSparseBundleNow(vault, sizeInGigabytes, password, cancellation);
    });
    co_return co_await work;
}

QCoro::Task<std::pair<VaultSession, MountProtectionReport>> DiskImageService::attach(Vault vault, QString password,
                                                                                     std::stop_token cancellation)
{
    auto work =
        executor_.run([this, vault, password, cancellation] { return attachNow(vault, password, cancellation); });
    co_return co_await work;
}

void DiskImageService::setIdleTimeout(std::chrono::seconds timeout)
{
    idleTimeoutSeconds_ = timeout.count();
}

QCoro::Task<void> DiskImageService::changePassword(Vault vault, QString currentPassword, QString newPassword,
                                                   std::stop_token cancellation)
{
    auto work = executor_.run([this, vault, currentPassword, newPassword, cancellation] {
        changePasswordNow(vault, currentPassword, newPassword, cancellation);
    });
    co_await work;
}

QCoro::Task<MountProtectionReport> DiskImageService::protectMountPoint(QUrl mountPoint)
{
    auto work = executor_.run([this, mountPoint] { return protectMountPointNow(mountPoint, {}); });
    co_return co_await work;
}

QCoro::Task<MountProtectionReport> DiskImageService::protectExistingMount(VaultSession session)
{
    co_return co_await protectMountPoint(session.mountPoint);
}

void DiskImageService::rollbackNewSparseBundle(const Vault& vault)
{
    const QString image = storage_.validateImageLocation(vault, true);
    if (!StorageSafety::entryExists(image)) {
        return;
    }
    std::error_code failure;
    std::filesystem::remove_all(fileSystemPath(image), failure);
    if (failure) {
        throwPosixError(failure.value(), image);
    }
}

MountProtectionReport DiskImageService::prepareStorageNow(std::stop_token cancellation)
{
    const QString storagePath = FileLocation::path(storage_.paths().storageDirectory);
    StorageSafety::ensureRealDirectory(FileLocation::path(storage_.paths().applicationDirectory), true);
    StorageSafety::ensureRealDirectory(storagePath, false);
    storage_.requireStorageInsideApplicationDirectory();
    UnfinishedImages::removeAbandoned(QFile::encodeName(storagePath).toStdString());
    StorageSafety::createPrivacyMarker(storagePath);
    MountProtectionReport report;
    if (!isHidden(storagePath)) {
        runWarningOnFailure(SystemTool::chflags, {QStringLiteral("hidden"), storagePath},
                            QStringLiteral("Não foi possível marcar a pasta de cofres como oculta"), report,
                            cancellation);
    }
    return report;
}

MountProtectionReport DiskImageService::createSparseBundleNow(const Vault& vault, int sizeInGigabytes,
                                                              const QString& password, std::stop_token cancellation)
{
    MountProtectionReport report = prepareStorageNow(cancellation);
    const QString image = storage_.validateImageLocation(vault, false);
    if (StorageSafety::entryExists(image)) {
        throw VaultError::destinationExists(FileLocation::lastPathComponent(image));
    }
    const QStringList arguments{
        QStringLiteral("create"),
        QStringLiteral("-size"),
        QString::number(sizeInGigabytes) + QLatin1Char('g'),
        QStringLiteral("-type"),
        QStringLiteral("SPARSEBUNDLE"),
        QStringLiteral("-fs"),
        QStringLiteral("APFS"),
        QStringLiteral("-volname"),
        vault.name,
        QStringLiteral("-encryption"),
        QStringLiteral("AES-256"),
        QStringLiteral("-stdinpass"),
        QStringLiteral("-nospotlight"),
        image,
    };
    // Whatever a failed create left at the image path is half-made: it goes, and the failure is
    // what the caller hears about (a failure to clean up would only hide it).
    const auto removeLeftover = [&image] {
        std::error_code ignored;
        std::filesystem::remove_all(fileSystemPath(image), ignored);
    };
    {
        const SecretBytes standardInput = nulTerminatedPasswords({&password});
        SystemProcessResult result;
        try {
            result = runner_.runAndWait(SystemTool::hdiutil, arguments, standardInput.view(), cancellation);
        } catch (...) {
            removeLeftover();
            throw;
        }
        if (result.terminationStatus != 0) {
            removeLeftover();
            throw VaultError::commandFailed(runner_.tools().spec(SystemTool::hdiutil).displayName,
                                            result.terminationStatus, result.diagnostic());
        }
    }
    runWarningOnFailure(SystemTool::chflags, {QStringLiteral("hidden"), image},
                        QStringLiteral("O cofre foi criado, mas seu arquivo não pôde ser marcado como oculto"), report,
                        cancellation);
    return report;
}

std::pair<VaultSession, MountProtectionReport> DiskImageService::attachNow(const Vault& vault, const QString& password,
                                                                           std::stop_token cancellation)
{
    MountProtectionReport report = prepareStorageNow(cancellation);
    const QString image = storage_.validateImageLocation(vault, true);
    QStringList arguments{
        QStringLiteral("attach"),  QStringLiteral("-plist"), QStringLiteral("-nobrowse"),
        QStringLiteral("-owners"), QStringLiteral("on"),
    };
    if (const auto idleSeconds = idleTimeoutSeconds_.load(); idleSeconds > 0) {
        arguments << QStringLiteral("-idle") << QString::number(idleSeconds);
    }
    arguments << QStringLiteral("-stdinpass") << image;
    SystemProcessResult result;
    try {
        const SecretBytes standardInput = nulTerminatedPasswords({&password});
        result = runner_.runAndWait(SystemTool::hdiutil, arguments, standardInput.view(), cancellation);
    } catch (const VaultError& error) {
        if (error.kind() == VaultError::Kind::commandTimedOut) {
            throw VaultError(VaultError::Kind::unlockTimedOut);
        }
        throw;
    }
    // The tool says by its status why it failed, so the user is told what to do about it: only a
    // refused password is worth typing again. Its own words go to the log, kept private since
    // they name files.
    if (result.terminationStatus != 0) {
        log_.error(QStringLiteral("kovara-hdiutil attach falhou com status %1: %2"),
                   {SystemLog::Value::publicValue(QString::number(result.terminationStatus)),
                    SystemLog::Value::privateValue(result.diagnostic())});
        throw attachFailure(result);
    }
    auto [session, protection] = finishAttach(vault, result, cancellation);
    report.warnings += protection.warnings;
    return {session, report};
}

std::pair<VaultSession, MountProtectionReport> DiskImageService::finishAttach(const Vault& vault,
                                                                              const SystemProcessResult& attachResult,
                                                                              std::stop_token cancellation)
{
    std::optional<HdiutilPropertyListParser::Attachment> attachment;
    std::exception_ptr parseFailure;
    try {
        attachment = HdiutilPropertyListParser::attachment(attachResult.standardOutput);
    } catch (...) {
        parseFailure = std::current_exception();
    }
    if (parseFailure) {
        QHash<QUuid, VaultSession> sessions;
        try {
            sessions = mountedSessionsNow({vault});
        } catch (...) {
            throw VaultError::invalidPropertyList(userMessage(parseFailure) +
                                                  QStringLiteral(" Não foi possível confirmar a desmontagem: ") +
                                                  userMessage(std::current_exception()));
        }
        if (!sessions.contains(vault.id)) {
            std::rethrow_exception(parseFailure);
        }
        detachAgainAndRethrow(sessions.value(vault.id), parseFailure);
    }

    const VaultSession session{vault.id, attachment->mountPoint, attachment->deviceEntry};
    std::exception_ptr protectionFailure;
    try {
        return {session, protectMountPointNow(session.mountPoint, cancellation)};
    } catch (...) {
        protectionFailure = std::current_exception();
    }
    detachAgainAndRethrow(session, protectionFailure);
}

// After a failure the volume may be mounted: it is detached again, politely and regardless of
// cancellation, so that a cancelled unlock does not leave it open. Only if that fails too does
// the caller get the session that is still mounted.
void DiskImageService::detachAgainAndRethrow(const VaultSession& session, const std::exception_ptr& failure)
{
    try {
        ejectNow(session.mountPoint, false, {});
    } catch (...) {
        throw MountedRollbackFailure(session, userMessage(failure), userMessage(std::current_exception()));
    }
    std::rethrow_exception(failure);
}

void DiskImageService::changePasswordNow(const Vault& vault, const QString& currentPassword, const QString& newPassword,
                                         std::stop_token cancellation)
{
    const QString image = storage_.validateImageLocation(vault, true);
    const QStringList arguments{QStringLiteral("chpass"), QStringLiteral("-oldstdinpass"),
                                QStringLiteral("-newstdinpass"), image};
    SystemProcessResult result;
    {
        const SecretBytes standardInput = nulTerminatedPasswords({&currentPassword, &newPassword});
        result = runner_.runAndWait(SystemTool::hdiutil, arguments, standardInput.view(), cancellation);
    }
    // The tool's "Authentication error" status: the current password did not open the image.
    constexpr int authenticationError = 80;
    if (result.terminationStatus == authenticationError) {
        throw VaultError(VaultError::Kind::currentPasswordIncorrect);
    }
    if (result.terminationStatus != 0) {
        throw hdiutilFailure(result);
    }
}

MountProtectionReport DiskImageService::protectMountPointNow(const QUrl& mountPoint, std::stop_token cancellation)
{
    const QString path = FileLocation::path(mountPoint);
    StorageSafety::createPrivacyMarker(path);
    MountProtectionReport report;
    runWarningOnFailure(SystemTool::mdutil, {QStringLiteral("-i"), QStringLiteral("off"), path},
                        QStringLiteral("O cofre está protegido por .metadata_never_index, mas 'kovara-mdutil -i off' falhou"),
                        report, cancellation);
    runWarningOnFailure(SystemTool::mdutil, {QStringLiteral("-d"), path},
                        QStringLiteral("O cofre está protegido por .metadata_never_index, mas 'kovara-mdutil -d' falhou"),
                        report, cancellation);
    return report;
}

void DiskImageService::runWarningOnFailure(SystemTool tool, const QStringList& arguments, const QString& base,
                                           MountProtectionReport& report, std::stop_token cancellation)
{
    try {
        const SystemProcessResult result = runner_.runAndWait(tool, arguments, std::nullopt, cancellation);
        if (result.terminationStatus != 0) {
            report.warnings.append(warning(base, result));
        }
    } catch (...) {
        report.warnings.append(base + QStringLiteral(": ") + userMessage(std::current_exception()));
    }
}
