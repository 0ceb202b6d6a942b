#include "disktools/Gocryptfs.h"

#include "disktools/HelperProcess.h"
#include "disktools/ToolFailure.h"
#include "platform/PosixError.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

const char* const unreadableConfigurationText = "Os dados de configuração da imagem cifrada estão ilegíveis.";

// The volume's configuration (its wrapped key and settings), which gocryptfs needs to mount it.
bool configurationIsReadable(const QString& cipherDirectory)
{
    QFile configuration(QDir(cipherDirectory).filePath(Gocryptfs::configurationFileName));
    // A real one is about 1 KiB; a huge file is no configuration either.
    return configuration.open(QIODevice::ReadOnly) &&
           QJsonDocument::fromJson(configuration.read(qint64{64} * 1024)).isObject();
}

// gocryptfs's exit statuses that a vault can meet. A missing, empty or damaged configuration
// ends it with its catch-all status 11, like many other failures: the file itself says which.
QString mountFailureText(int status, const QString& cipherDirectory)
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
        return QString("gocryptfs falhou com código %1.").arg(status);
    }
}

SystemProcessResult runWithPassword(const QStringList& arguments, const VaultPassword& password,
                                    ChildProcess::Output standardError, std::stop_token stop)
{
    const SecretBytes line = password.gocryptfsLine();
    return HelperProcess::run(Gocryptfs::executable, arguments, line.view(), standardError, std::move(stop));
}

// The system error gocryptfs names in its English output, which ends in the C library's text as
// Go spells it, in lower case ("…: no space left on device"); the longest text found wins, so
// that a text inside another does not.
std::optional<int> reportedErrorNumber(const QByteArray& standardError)
{
    const QByteArray said = standardError.toLower();
    std::optional<int> found;
    qsizetype foundLength = 0;
    for (int number = 1; number <= EHWPOISON; ++number) {
        const char* english = ::strerrordesc_np(number);
        const QByteArray text = QByteArray(english ? english : "").toLower();
        if (text.size() > foundLength && said.contains(text)) {
            found = number;
            foundLength = text.size();
        }
    }
    return found;
}

// In Portuguese like every text the user reads: the step, gocryptfs's exit status and the system
// error it met, when it names one. Its own English words stay out.
QString failureText(const QString& what, const SystemProcessResult& result)
{
    const std::optional<int> error = reportedErrorNumber(result.standardError);
    return what + QString(" (código %1)").arg(result.terminationStatus) +
           (error ? ": " + posixErrorText(*error) + "." : QString("."));
}

} // namespace

void Gocryptfs::initialize(const QString& cipherDirectory, const VaultPassword& password, std::stop_token stop)
{
    const SystemProcessResult result = runWithPassword({"-init", "-q", "--", cipherDirectory}, password,
                                                       ChildProcess::Output::captured, std::move(stop));
    if (result.terminationStatus != 0) {
        throw ToolFailure(failureText("gocryptfs não conseguiu criar o volume cifrado", result));
    }
}

void Gocryptfs::mount(const QString& cipherDirectory, const QString& mountPoint, const VaultPassword& password,
                      std::chrono::seconds idleTimeout)
{
    // -nosyslog keeps the daemon from swapping its /dev/null streams for a pipe to logger(1).
    QStringList arguments{"-q", "-nosyslog"};
    if (idleTimeout.count() > 0) {
        arguments << "-idle" << QString("%1s").arg(idleTimeout.count());
    }
    arguments << "--" << cipherDirectory << mountPoint;
    // Never stopped midway: the daemon derives the key on its own, so stopping gocryptfs then
    // would only let the volume appear moments later, after the attach had given up on it.
    const SystemProcessResult result =
        runWithPassword(arguments, password, ChildProcess::Output::discarded, std::stop_token());
    if (result.terminationStatus != 0) {
        throw ToolFailure(mountFailureText(result.terminationStatus, cipherDirectory));
    }
}

bool Gocryptfs::changePassword(const QString& cipherDirectory, const VaultPassword& currentPassword,
                               const VaultPassword& newPassword, std::stop_token stop)
{
    // gocryptfs asks for the current password and then the new one, a line each.
    const SecretBytes current = currentPassword.gocryptfsLine();
    const SecretBytes replacement = newPassword.gocryptfsLine();
    SecretBytes lines(current.size() + replacement.size());
    for (const SecretBytes* line : {&current, &replacement}) {
        std::memcpy(lines.end(), line->data(), line->size());
        lines.grow(line->size());
    }
    const SystemProcessResult result =
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
