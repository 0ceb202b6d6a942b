#include "disktools/Gocryptfs.h"

#include "disktools/FilePath.h"
#include "disktools/HelperProcess.h"
#include "disktools/ToolFailure.h"
#include "posix/FileContents.h"
#include "posix/PosixCategory.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

const char* const unreadableConfigurationText = "Os dados de configuração da imagem cifrada estão ilegíveis.";

// The volume's configuration (its wrapped key and settings), which gocryptfs needs to mount it:
// a JSON object holding the wrapped key. A real one is about 1 KiB; a huge file is none either.
bool configurationIsReadable(const std::string& cipherDirectory)
{
    const std::optional<std::string> text =
        FileContents::read(FilePath::join(cipherDirectory, Gocryptfs::configurationFileName), std::size_t{64} * 1024);
    if (!text) {
        return false;
    }
    const std::size_t first = text->find_first_not_of(" \t\r\n");
    const std::size_t last = text->find_last_not_of(" \t\r\n");
    return first != std::string::npos && (*text)[first] == '{' && (*text)[last] == '}' &&
           text->find("\"EncryptedKey\"") != std::string::npos;
}

// gocryptfs's exit statuses that a vault can meet. A missing, empty or damaged configuration
// ends it with its catch-all status 11, like many other failures: the file itself says which.
std::string mountFailureText(int status, const std::string& cipherDirectory)
{
    switch (status) {
    case Gocryptfs::wrongPasswordStatus:
        return "Senha incorreta.";
    case 10:
        return "A pasta de montagem não está vazia.";
    case 19:
        return "O sistema recusou a montagem FUSE (verifique se /dev/fuse está disponível).";
    default:
        if (!configurationIsReadable(cipherDirectory)) {
            return unreadableConfigurationText;
        }
        return "gocryptfs falhou com código " + std::to_string(status) + ".";
    }
}

ChildProcess::Result runWithPassword(const std::vector<std::string>& arguments, const VaultPassword& password,
                                     ChildProcess::Output standardError, std::stop_token stop)
{
    const SecretBytes line = password.gocryptfsLine();
    return HelperProcess::run(Gocryptfs::executable, arguments, line.view(), standardError, std::move(stop));
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The system error gocryptfs names in its English output, which ends in the C library's text as
// Go spells it, in lower case ("…: no space left on device"); the longest text found wins, so
// that a text inside another does not.
std::optional<int> reportedErrorNumber(const std::string& standardError)
{
    const std::string said = lowerCase(standardError);
    std::optional<int> found;
    std::size_t foundLength = 0;
    for (int number = 1; number <= EHWPOISON; ++number) {
        const char* english = ::strerrordesc_np(number);
        const std::string text = lowerCase(english ? english : "");
        if (text.size() > foundLength && said.find(text) != std::string::npos) {
            found = number;
            foundLength = text.size();
        }
    }
    return found;
}

// In Portuguese like every text the user reads: the step, gocryptfs's exit status and the system
// error it met, when it names one. Its own English words stay out.
std::string failureText(const std::string& what, const ChildProcess::Result& result)
{
    const std::optional<int> error = reportedErrorNumber(result.standardError);
    return what + " (código " + std::to_string(result.terminationStatus) + ")" +
           (error ? ": " + posixCategory().message(*error) + "." : std::string("."));
}

// Two lines gocryptfs reads one after the other, in one wiped buffer.
SecretBytes concatenated(const SecretBytes& first, const SecretBytes& second)
{
    SecretBytes lines(first.size() + second.size());
    for (const SecretBytes* line : {&first, &second}) {
        std::memcpy(lines.end(), line->data(), line->size());
        lines.grow(line->size());
    }
    return lines;
}

} // namespace

void Gocryptfs::initialize(const std::string& cipherDirectory, const VaultPassword& password, std::stop_token stop)
{
    const ChildProcess::Result result = runWithPassword({"-init", "-q", "--", cipherDirectory}, password,
                                                        ChildProcess::Output::captured, std::move(stop));
    if (result.terminationStatus != 0) {
        throw ToolFailure(failureText("gocryptfs não conseguiu criar o volume cifrado", result));
    }
}

void Gocryptfs::mount(const std::string& cipherDirectory, const std::string& mountPoint, const VaultPassword& password,
                      std::chrono::seconds idleTimeout)
{
    // -nosyslog keeps the daemon from swapping its /dev/null streams for a pipe to logger(1).
    std::vector<std::string> arguments{"-q", "-nosyslog"};
    if (idleTimeout.count() > 0) {
        arguments.emplace_back("-idle");
        arguments.push_back(std::to_string(idleTimeout.count()) + "s");
    }
    arguments.insert(arguments.end(), {"--", cipherDirectory, mountPoint});
    // Never stopped midway: the daemon derives the key on its own, so stopping gocryptfs then
    // would only let the volume appear moments later, after the attach had given up on it.
    const ChildProcess::Result result =
        runWithPassword(arguments, password, ChildProcess::Output::discarded, std::stop_token());
    if (result.terminationStatus != 0) {
        throw ToolFailure(mountFailureText(result.terminationStatus, cipherDirectory));
    }
}

bool Gocryptfs::changePassword(const std::string& cipherDirectory, const VaultPassword& currentPassword,
                               const VaultPassword& newPassword, std::stop_token stop)
{
    // gocryptfs asks for the current password and then the new one, a line each.
    const SecretBytes lines = concatenated(currentPassword.gocryptfsLine(), newPassword.gocryptfsLine());
    const ChildProcess::Result result =
        HelperProcess::run(executable, {"-passwd", "-q", "--", cipherDirectory}, lines.view(),
                           ChildProcess::Output::captured, std::move(stop));
    if (result.terminationStatus == wrongPasswordStatus) {
        return false;
    }
    if (result.terminationStatus != 0) {
        throw ToolFailure(configurationIsReadable(cipherDirectory)
                              ? failureText("gocryptfs não conseguiu trocar a senha", result)
                              : unreadableConfigurationText);
    }
    return true;
}

std::optional<RecoveryKey> Gocryptfs::masterKey(const std::string& cipherDirectory, const VaultPassword& password,
                                                std::stop_token stop)
{
    const SecretBytes line = password.gocryptfsLine();
    ChildProcess::Result result = HelperProcess::runReadingOutput(
        xrayExecutable, {"-dumpmasterkey", "--", FilePath::join(cipherDirectory, configurationFileName)}, line.view(),
        std::move(stop));
    std::optional<RecoveryKey> key = RecoveryKey::fromText(result.standardOutput);
    ::explicit_bzero(result.standardOutput.data(), result.standardOutput.size());
    // gocryptfs-xray ends with its own status 8 on a refused password, gocryptfs with 12.
    if (result.terminationStatus == 8 || result.terminationStatus == wrongPasswordStatus) {
        return std::nullopt;
    }
    if (result.terminationStatus != 0 || !key) {
        throw ToolFailure(configurationIsReadable(cipherDirectory)
                              ? failureText("gocryptfs-xray não conseguiu ler a chave do volume", result)
                              : unreadableConfigurationText);
    }
    return key;
}

void Gocryptfs::setPasswordWithKey(const std::string& cipherDirectory, const RecoveryKey& key,
                                   const VaultPassword& newPassword, std::stop_token stop)
{
    discardConfigurationLeftovers(cipherDirectory);
    // The key, then the new password, a line each.
    const SecretBytes lines = concatenated(key.gocryptfsLine(), newPassword.gocryptfsLine());
    const ChildProcess::Result result =
        HelperProcess::run(executable, {"-passwd", "-q", "-masterkey=stdin", "--", cipherDirectory}, lines.view(),
                           ChildProcess::Output::captured, std::move(stop));
    // The backup wraps the same key with the old password, which must stop opening the volume.
    discardConfigurationLeftovers(cipherDirectory);
    if (result.terminationStatus != 0) {
        throw ToolFailure(failureText("gocryptfs não conseguiu definir a nova senha", result));
    }
}

void Gocryptfs::mountReadOnly(const std::string& cipherDirectory, const std::string& mountPoint, const RecoveryKey& key)
{
    const SecretBytes line = key.gocryptfsLine();
    const ChildProcess::Result result = HelperProcess::run(
        executable, {"-q", "-nosyslog", "-ro", "-masterkey=stdin", "--", cipherDirectory, mountPoint}, line.view(),
        ChildProcess::Output::discarded, std::stop_token());
    if (result.terminationStatus != 0) {
        throw ToolFailure(mountFailureText(result.terminationStatus, cipherDirectory));
    }
}

ChildProcess::Result Gocryptfs::check(const std::string& cipherDirectory, const VaultPassword& password,
                                      std::stop_token stop)
{
    const SecretBytes line = password.gocryptfsLine();
    ChildProcess::Result result = HelperProcess::runReadingOutput(executable, {"-fsck", "-q", "--", cipherDirectory},
                                                                  line.view(), std::move(stop));
    if (result.terminationStatus != 0 && result.terminationStatus != checkFoundErrorsStatus &&
        result.terminationStatus != wrongPasswordStatus) {
        throw ToolFailure(configurationIsReadable(cipherDirectory)
                              ? failureText("gocryptfs não conseguiu verificar o volume", result)
                              : unreadableConfigurationText);
    }
    return result;
}

void Gocryptfs::discardConfigurationLeftovers(const std::string& cipherDirectory)
{
    for (const std::string& name :
         {std::string(configurationFileName) + ".tmp", std::string(configurationBackupFileName)}) {
        ::unlink(FilePath::join(cipherDirectory, name).c_str());
    }
}
