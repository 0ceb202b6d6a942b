#include "disktools/Gocryptfs.h"

#include "disktools/HelperProcess.h"
#include "disktools/ToolFailure.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

// The volume's configuration (its wrapped key and settings), which gocryptfs needs to mount it.
bool configurationIsReadable(const QString& cipherDirectory)
{
    QFile configuration(QDir(cipherDirectory).filePath(QStringLiteral("gocryptfs.conf")));
    // A real one is about 1 KiB; a huge file is no configuration either.
    return configuration.open(QIODevice::ReadOnly) &&
           QJsonDocument::fromJson(configuration.read(64 * 1024)).isObject();
}

// gocryptfs's exit statuses that a vault can meet. A missing, empty or damaged configuration
// ends it with its catch-all status 11, like many other failures: the file itself says which.
QString mountFailureText(int status, const QString& cipherDirectory)
{
    switch (status) {
    case Gocryptfs::wrongPasswordStatus: return "Senha incorreta.";
    case 10: return "A pasta de montagem não está vazia.";
    case 19: return "O sistema recusou a montagem FUSE (verifique se /dev/fuse está disponível).";
    default:
        if (!configurationIsReadable(cipherDirectory)) {
            return "Os dados de configuração da imagem cifrada estão ilegíveis.";
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

} // namespace

void Gocryptfs::initialize(const QString& cipherDirectory, const VaultPassword& password, std::stop_token stop)
{
    const SystemProcessResult result =
        runWithPassword({"-init", "-q", "--", cipherDirectory}, password, ChildProcess::Output::captured, std::move(stop));
    if (result.terminationStatus != 0) {
        const QString detail = QString::fromUtf8(result.standardError).trimmed();
        throw ToolFailure(QString("gocryptfs não conseguiu criar o volume cifrado (código %1)").arg(result.terminationStatus)
                          + (detail.isEmpty() ? QString(".") : ": " + detail));
    }
}

void Gocryptfs::mount(const QString& cipherDirectory, const QString& mountPoint, const VaultPassword& password)
{
    // -nosyslog keeps the daemon from swapping its /dev/null streams for a pipe to logger(1).
    // Never stopped midway: the daemon derives the key on its own, so stopping gocryptfs then
    // would only let the volume appear moments later, after the attach had given up on it.
    const SystemProcessResult result = runWithPassword({"-q", "-nosyslog", "--", cipherDirectory, mountPoint}, password,
                                                       ChildProcess::Output::discarded, std::stop_token());
    if (result.terminationStatus != 0) {
        throw ToolFailure(mountFailureText(result.terminationStatus, cipherDirectory));
    }
}
