#include "disktools/Gocryptfs.h"

#include "disktools/FilePath.h"
#include "disktools/HelperProcess.h"
#include "disktools/ToolFailure.h"
#include "posix/AttachExitStatus.h"
#include "posix/PosixCategory.h"
#include "posix/UniqueFd.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const unreadableConfigurationText = "Os dados de configuração da imagem cifrada estão ilegíveis.";
const char* const fuseRefusedText = "O sistema recusou a montagem FUSE (verifique se /dev/fuse está disponível).";

// The volume's configuration (its wrapped key and settings), which gocryptfs needs to mount it:
// a JSON object holding the wrapped key. A real one is about 1 KiB; a huge file is none either.
// Read only when it is a regular file of this user's, opened without following a link and
// without waiting: a FIFO in its place would block the reader, and gocryptfs with it, for ever.
std::optional<std::string> configurationProblem(const std::string& cipherDirectory)
{
    const std::string path = FilePath::join(cipherDirectory, Gocryptfs::configurationFileName);
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status = {};
    if (!file.isValid() && errno != ELOOP) {
        return unreadableConfigurationText;
    }
    if (!file.isValid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != ::geteuid()) {
        return std::string("A configuração da imagem cifrada (") + Gocryptfs::configurationFileName +
               ") não é um arquivo comum deste usuário; a imagem não foi aberta.";
    }
    constexpr std::size_t largest = std::size_t{64} * 1024;
    std::string text(largest, '\0');
    const ssize_t count = ::read(file.get(), text.data(), text.size());
    text.resize(count > 0 ? std::size_t(count) : 0);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    if (first == std::string::npos || text[first] != '{' || text[last] != '}' ||
        text.find("\"EncryptedKey\"") == std::string::npos) {
        return unreadableConfigurationText;
    }
    return std::nullopt;
}

// Before gocryptfs is started: it must be there, and so must a configuration it can read at once.
void checkBeforeRunning(const std::string& cipherDirectory)
{
    if (::access(Gocryptfs::executable, X_OK) != 0) {
        throw ToolFailure(std::string("O gocryptfs não está instalado (") + Gocryptfs::executable + ").",
                          AttachExitStatus::missingTool);
    }
    if (const std::optional<std::string> problem = configurationProblem(cipherDirectory)) {
        throw ToolFailure(*problem, AttachExitStatus::damagedConfiguration);
    }
}

// gocryptfs's exit statuses that a vault can meet. A configuration damaged in a way the check
// before the run cannot see ends it with its catch-all status 11, like many other failures: the
// file itself, read again, says which.
ToolFailure mountFailure(int status, const std::string& cipherDirectory)
{
    switch (status) {
    case Gocryptfs::wrongPasswordStatus:
        return ToolFailure("Senha incorreta.", AttachExitStatus::wrongPassword);
    case 10:
        return ToolFailure("A pasta de montagem não está vazia.");
    case 19:
        return ToolFailure(fuseRefusedText, AttachExitStatus::fuseUnavailable);
    default:
        if (const std::optional<std::string> problem = configurationProblem(cipherDirectory)) {
            return ToolFailure(*problem, AttachExitStatus::damagedConfiguration);
        }
        return ToolFailure("gocryptfs falhou com código " + std::to_string(status) + ".");
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

// In Portuguese like every text the user reads: what could not be done and why, from the system
// error gocryptfs met; its own English words stay out. The causes a user can act on get a
// sentence of their own; gocryptfs's exit status is told only when no cause is known.
std::string failureText(const std::string& what, const ChildProcess::Result& result)
{
    const std::optional<int> error = reportedErrorNumber(result.standardError);
    if (!error) {
        return what + " (o gocryptfs terminou com código " + std::to_string(result.terminationStatus) + ").";
    }
    switch (*error) {
    case ENOSPC:
        return what + ": não há espaço livre suficiente no disco.";
    case EDQUOT:
        return what + ": a cota de disco deste usuário se esgotou.";
    case EACCES:
    case EPERM:
        return what + ": não há permissão para gravar na pasta dos cofres.";
    case EROFS:
        return what + ": o disco dos cofres aceita somente leitura.";
    case EIO:
        return what + ": o disco informou um erro de leitura ou gravação.";
    default:
        return what + ": " + posixCategory().message(*error) + ".";
    }
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
        throw ToolFailure(failureText("Não foi possível criar o volume cifrado", result));
    }
}

void Gocryptfs::mount(const std::string& cipherDirectory, const std::string& mountPoint, const VaultPassword& password,
                      std::chrono::seconds idleTimeout, std::stop_token stop)
{
    checkBeforeRunning(cipherDirectory);
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        throw ToolFailure(fuseRefusedText, AttachExitStatus::fuseUnavailable);
    }
    // In the foreground, gocryptfs derives the key, mounts and serves in one process, and says it
    // has mounted with SIGUSR1 to -notifypid. Left to daemonise itself it would start a second
    // gocryptfs to do the same, a Go program's start-up more for every unlock. -nosyslog keeps it
    // from swapping its /dev/null streams for a pipe to logger(1).
    ReadySignal mounted(SIGUSR1);
    if (!mounted.isValid()) {
        throw ToolFailure("Não foi possível esperar pela montagem: " + posixCategory().message(errno) + ".");
    }
    std::vector<std::string> arguments{"-fg", "-notifypid=" + std::to_string(::getpid()), "-q", "-nosyslog"};
    if (idleTimeout.count() > 0) {
        arguments.emplace_back("-idle");
        arguments.push_back(std::to_string(idleTimeout.count()) + "s");
    }
    arguments.insert(arguments.end(), {"--", cipherDirectory, mountPoint});
    // A stop before the mount ends gocryptfs, so no volume appears after the attach has given up.
    const SecretBytes line = password.gocryptfsLine();
    const ChildProcess::Result result =
        HelperProcess::startServing(executable, arguments, line.view(), mounted, std::move(stop));
    if (!result.isStillRunning) {
        throw mountFailure(result.terminationStatus, cipherDirectory);
    }
}

bool Gocryptfs::changePassword(const std::string& cipherDirectory, const VaultPassword& currentPassword,
                               const VaultPassword& newPassword, std::stop_token stop)
{
    checkBeforeRunning(cipherDirectory);
    // gocryptfs asks for the current password and then the new one, a line each.
    const SecretBytes lines = concatenated(currentPassword.gocryptfsLine(), newPassword.gocryptfsLine());
    const ChildProcess::Result result =
        HelperProcess::run(executable, {"-passwd", "-q", "--", cipherDirectory}, lines.view(),
                           ChildProcess::Output::captured, std::move(stop));
    if (result.terminationStatus == wrongPasswordStatus) {
        return false;
    }
    if (result.terminationStatus != 0) {
        throw ToolFailure(
            configurationProblem(cipherDirectory).value_or(failureText("Não foi possível trocar a senha", result)));
    }
    return true;
}

std::optional<RecoveryKey> Gocryptfs::masterKey(const std::string& cipherDirectory, const VaultPassword& password,
                                                std::stop_token stop)
{
    checkBeforeRunning(cipherDirectory);
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
        throw ToolFailure(configurationProblem(cipherDirectory)
                              .value_or(failureText("Não foi possível ler a chave de recuperação", result)));
    }
    return key;
}

void Gocryptfs::setPasswordWithKey(const std::string& cipherDirectory, const RecoveryKey& key,
                                   const VaultPassword& newPassword, std::stop_token stop)
{
    checkBeforeRunning(cipherDirectory);
    discardConfigurationLeftovers(cipherDirectory);
    // The key, then the new password, a line each.
    const SecretBytes lines = concatenated(key.gocryptfsLine(), newPassword.gocryptfsLine());
    const ChildProcess::Result result =
        HelperProcess::run(executable, {"-passwd", "-q", "-masterkey=stdin", "--", cipherDirectory}, lines.view(),
                           ChildProcess::Output::captured, std::move(stop));
    // The backup wraps the same key with the old password, which must stop opening the volume.
    discardConfigurationLeftovers(cipherDirectory);
    if (result.terminationStatus != 0) {
        throw ToolFailure(failureText("Não foi possível definir a nova senha", result));
    }
}

void Gocryptfs::mountReadOnly(const std::string& cipherDirectory, const std::string& mountPoint, const RecoveryKey& key)
{
    checkBeforeRunning(cipherDirectory);
    const SecretBytes line = key.gocryptfsLine();
    const ChildProcess::Result result = HelperProcess::run(
        executable, {"-q", "-nosyslog", "-ro", "-masterkey=stdin", "--", cipherDirectory, mountPoint}, line.view(),
        ChildProcess::Output::discarded, std::stop_token());
    if (result.terminationStatus != 0) {
        throw mountFailure(result.terminationStatus, cipherDirectory);
    }
}

ChildProcess::Result Gocryptfs::check(const std::string& cipherDirectory, const VaultPassword& password,
                                      std::stop_token stop)
{
    checkBeforeRunning(cipherDirectory);
    const SecretBytes line = password.gocryptfsLine();
    ChildProcess::Result result = HelperProcess::runReadingOutput(executable, {"-fsck", "-q", "--", cipherDirectory},
                                                                  line.view(), std::move(stop));
    if (result.terminationStatus != 0 && result.terminationStatus != checkFoundErrorsStatus &&
        result.terminationStatus != wrongPasswordStatus) {
        throw ToolFailure(
            configurationProblem(cipherDirectory).value_or(failureText("Não foi possível verificar o cofre", result)));
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
