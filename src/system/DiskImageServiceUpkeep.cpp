// DiskImageService: a vault's capacity, its recovery key and the check of its whole image.
#include "system/DiskImageService.h"

#include "model/VaultError.h"
#include "platform/SecretText.h"
#include "posix/SecretBytes.h"
#include "system/HdiutilPropertyListParser.h"

#include <cstring>

namespace {

// The tool's "Authentication error" status: the password or key given did not open the image.
constexpr int authenticationError = 80;
// The tool's refusal of a capacity below what the image already takes.
constexpr int belowUsage = 2;
constexpr int recoveryKeyDigits = 64;

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty()) {
        explicit_bzero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    }
}

} // namespace

QCoro::Task<VaultCapacity> DiskImageService::capacity(Vault vault, std::stop_token cancellation)
{
    auto work = executor_.run([this, vault, cancellation] { return capacityNow(vault, cancellation); });
    co_return co_await work;
}

QCoro::Task<void> DiskImageService::resize(Vault vault, int sizeInGigabytes)
{
    auto work = executor_.run([this, vault, sizeInGigabytes] { resizeNow(vault, sizeInGigabytes); });
    co_await work;
}

QCoro::Task<std::shared_ptr<const SecretText>> DiskImageService::recoveryKey(Vault vault, QString password,
                                                                             std::stop_token cancellation)
{
    auto work =
        executor_.run([this, vault, password, cancellation] { return recoveryKeyNow(vault, password, cancellation); });
    co_return co_await work;
}

QCoro::Task<void> DiskImageService::resetPassword(Vault vault, QString recoveryKey, QString newPassword,
                                                  std::stop_token cancellation)
{
    auto work = executor_.run([this, vault, recoveryKey, newPassword, cancellation] {
        resetPasswordNow(vault, recoveryKey, newPassword, cancellation);
    });
    co_await work;
}

QCoro::Task<VaultCheckReport> DiskImageService::verify(Vault vault, QString password, std::stop_token cancellation)
{
    auto work =
        executor_.run([this, vault, password, cancellation] { return verifyNow(vault, password, cancellation); });
    co_return co_await work;
}

VaultError DiskImageService::hdiutilFailure(const SystemProcessResult& result) const
{
    return VaultError::commandFailed(runner_.tools().spec(SystemTool::hdiutil).displayName, result.terminationStatus,
                                     result.diagnostic());
}

VaultCapacity DiskImageService::capacityNow(const Vault& vault, const std::stop_token& cancellation)
{
    const QString image = storage_.validateImageLocation(vault, true);
    const SystemProcessResult result =
        runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("imageinfo"), QStringLiteral("-plist"), image},
                           std::nullopt, cancellation);
    if (result.terminationStatus != 0) {
        throw hdiutilFailure(result);
    }
    return HdiutilPropertyListParser::capacity(result.standardOutput);
}

void DiskImageService::resizeNow(const Vault& vault, int sizeInGigabytes)
{
    const QString image = storage_.validateImageLocation(vault, true);
    const SystemProcessResult result =
        runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("resize"), QStringLiteral("-size"),
                                                 QString::number(sizeInGigabytes) + QLatin1Char('g'), image});
    if (result.terminationStatus == belowUsage) {
        throw VaultError::capacityBelowUsage(capacityNow(vault, {}).usedBytes);
    }
    if (result.terminationStatus != 0) {
        throw hdiutilFailure(result);
    }
}

std::shared_ptr<const SecretText> DiskImageService::recoveryKeyNow(const Vault& vault, const QString& password,
                                                                   std::stop_token cancellation)
{
    const QString image = storage_.validateImageLocation(vault, true);
    SystemProcessResult result;
    {
        const SecretBytes standardInput = nulTerminatedPasswords({&password});
        result =
            runner_.runAndWait(SystemTool::hdiutil, {QStringLiteral("showkey"), QStringLiteral("-stdinpass"), image},
                               standardInput.view(), cancellation);
    }
    QByteArray digits = result.standardOutput.trimmed();
    std::shared_ptr<const SecretText> key;
    if (result.terminationStatus == 0 && digits.size() == recoveryKeyDigits) {
        key = std::make_shared<const SecretText>(std::string_view(digits.constData(), recoveryKeyDigits));
    }
    // trimmed() made a copy of its own unless there was nothing to trim.
    wipe(digits);
    wipe(result.standardOutput);
    if (result.terminationStatus == authenticationError) {
        throw VaultError(VaultError::Kind::vaultPasswordIncorrect);
    }
    if (!key) {
        throw hdiutilFailure(result);
    }
    return key;
}

void DiskImageService::resetPasswordNow(const Vault& vault, const QString& recoveryKey, const QString& newPassword,
                                        std::stop_token cancellation)
{
    const QString image = storage_.validateImageLocation(vault, true);
    SystemProcessResult result;
    {
        const SecretBytes standardInput = nulTerminatedPasswords({&recoveryKey, &newPassword});
        result = runner_.runAndWait(
            SystemTool::hdiutil,
            {QStringLiteral("resetpass"), QStringLiteral("-stdinkey"), QStringLiteral("-newstdinpass"), image},
            standardInput.view(), cancellation);
    }
    if (result.terminationStatus == authenticationError) {
        throw VaultError(VaultError::Kind::recoveryKeyIncorrect);
    }
    if (result.terminationStatus != 0) {
        throw hdiutilFailure(result);
    }
}

VaultCheckReport DiskImageService::verifyNow(const Vault& vault, const QString& password, std::stop_token cancellation)
{
    const QString image = storage_.validateImageLocation(vault, true);
    SystemProcessResult result;
    {
        const SecretBytes standardInput = nulTerminatedPasswords({&password});
        result = runner_.runToEndAndWait(
            SystemTool::hdiutil,
            {QStringLiteral("verify"), QStringLiteral("-plist"), QStringLiteral("-stdinpass"), image},
            standardInput.view(), cancellation);
    }
    if (result.terminationStatus == authenticationError) {
        throw VaultError(VaultError::Kind::vaultPasswordIncorrect);
    }
    if (result.terminationStatus != 0) {
        throw hdiutilFailure(result);
    }
    return HdiutilPropertyListParser::checkReport(result.standardOutput);
}
