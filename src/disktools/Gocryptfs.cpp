#include "disktools/Gocryptfs.h"

#include "disktools/HelperProcess.h"
#include "disktools/ToolFailure.h"

namespace {

// gocryptfs's documented exit statuses that a vault can meet.
QString mountFailureText(int status)
{
    switch (status) {
    case Gocryptfs::wrongPasswordStatus: return "Senha incorreta.";
    case 10: return "A pasta de montagem não está vazia.";
    case 8:
    case 23: return "Os dados de configuração da imagem cifrada estão ilegíveis.";
    case 19: return "O sistema recusou a montagem FUSE (verifique se /dev/fuse está disponível).";
    default: return QString("gocryptfs falhou com código %1.").arg(status);
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

void Gocryptfs::mount(const QString& cipherDirectory, const QString& mountPoint, const VaultPassword& password,
                      std::stop_token stop)
{
    // -nosyslog keeps the daemon from swapping its /dev/null streams for a pipe to logger(1).
    const SystemProcessResult result = runWithPassword({"-q", "-nosyslog", "--", cipherDirectory, mountPoint}, password,
                                                       ChildProcess::Output::discarded, std::move(stop));
    if (result.terminationStatus != 0) {
        throw ToolFailure(mountFailureText(result.terminationStatus));
    }
}
