#include "model/VaultError.h"

#include "posix/ToolRunFailureText.h"

#include <QLocale>

#include <cassert>

namespace {

[[maybe_unused]] bool carriesOneString(VaultError::Kind kind)
{
    using K = VaultError::Kind;
    switch (kind) {
    case K::sourceMissing:
    case K::destinationExists:
    case K::invalidRegistry:
    case K::registryUnavailable:
    case K::unsafeStorage:
    case K::commandFailed:
    case K::commandTimedOut:
    case K::commandOutputTooLarge:
    case K::invalidPropertyList:
    case K::imageCouldNotBeTrashed:
    case K::vaultDeletedButRegistryNotUpdated:
    case K::attachFailed:
        return true;
    default:
        return false;
    }
}

// Sizes as the rest of the window writes them: decimal units, one decimal place, "1,2 MB".
QString sizeText(std::int64_t bytes)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace

VaultError::VaultError(Kind kind, QString value) : kind_(kind), value_(std::move(value))
{
    utf8Description_ = errorDescription().toStdString();
}

VaultError::VaultError(Kind kind) : kind_(kind)
{
    assert(!carriesOneString(kind) && kind != Kind::volumeBusy);
    utf8Description_ = errorDescription().toStdString();
}

VaultError VaultError::sourceMissing(const QString& pathOrName)
{
    return {Kind::sourceMissing, pathOrName};
}
VaultError VaultError::destinationExists(const QString& itemName)
{
    return {Kind::destinationExists, itemName};
}
VaultError VaultError::invalidRegistry(const QString& detail)
{
    return {Kind::invalidRegistry, detail};
}
VaultError VaultError::registryUnavailable(const QString& detail)
{
    return {Kind::registryUnavailable, detail};
}
VaultError VaultError::unsafeStorage(const QString& detail)
{
    return {Kind::unsafeStorage, detail};
}
VaultError VaultError::commandTimedOut(const QString& tool)
{
    return {Kind::commandTimedOut, tool};
}
VaultError VaultError::commandOutputTooLarge(const QString& tool)
{
    return {Kind::commandOutputTooLarge, tool};
}
VaultError VaultError::invalidPropertyList(const QString& detail)
{
    return {Kind::invalidPropertyList, detail};
}
VaultError VaultError::imageCouldNotBeTrashed(const QString& detail)
{
    return {Kind::imageCouldNotBeTrashed, detail};
}
VaultError VaultError::vaultDeletedButRegistryNotUpdated(const QString& detail)
{
    return {Kind::vaultDeletedButRegistryNotUpdated, detail};
}

VaultError VaultError::attachFailed(const QString& detail)
{
    return {Kind::attachFailed, detail};
}

VaultError VaultError::commandFailed(const QString& tool, std::int32_t status, const QString& diagnostic)
{
    VaultError error(Kind::commandFailed, tool);
    error.status_ = status;
    error.diagnostic_ = diagnostic;
    error.utf8Description_ = error.errorDescription().toStdString();
    return error;
}

VaultError VaultError::volumeBusy(const QStringList& holders)
{
    VaultError error(Kind::volumeBusy, QString());
    error.holders_ = holders;
    error.utf8Description_ = error.errorDescription().toStdString();
    return error;
}

VaultError VaultError::withByteCount(Kind kind, QString value, std::int64_t bytes)
{
    VaultError error(kind, std::move(value));
    error.byteCount_ = bytes;
    error.utf8Description_ = error.errorDescription().toStdString();
    return error;
}

VaultError VaultError::insufficientVaultSpace(const QString& vaultName, std::int64_t missingBytes)
{
    return withByteCount(Kind::insufficientVaultSpace, vaultName, missingBytes);
}

VaultError VaultError::insufficientDiskSpace(std::int64_t missingBytes)
{
    return withByteCount(Kind::insufficientDiskSpace, QString(), missingBytes);
}

VaultError VaultError::capacityBelowUsage(std::int64_t usedBytes)
{
    return withByteCount(Kind::capacityBelowUsage, QString(), usedBytes);
}

QString VaultError::errorDescription() const
{
    switch (kind_) {
    case Kind::sourceMissing:
        return QStringLiteral("O item de origem não foi encontrado: ") + value_ + QStringLiteral(".");
    case Kind::destinationExists:
        return QStringLiteral("Já existe um item chamado ") + value_ + QStringLiteral(" no cofre.");
    case Kind::invalidRegistry:
        return QStringLiteral("O catálogo de cofres contém dados inválidos e não foi alterado. ") + value_;
    case Kind::registryUnavailable:
        return QStringLiteral("O catálogo de cofres não pôde ser usado e não foi alterado. ") + value_;
    case Kind::unsafeStorage:
        return QStringLiteral("A pasta protegida do Kovara não é segura para uso. ") + value_;
    case Kind::commandFailed:
        return QString::fromStdString(
            ToolRunFailureText::failed(value_.toStdString(), status_, diagnostic_.toStdString()));
    case Kind::commandTimedOut:
        return QString::fromStdString(ToolRunFailureText::timedOut(value_.toStdString()));
    case Kind::commandOutputTooLarge:
        return QString::fromStdString(ToolRunFailureText::outputTooLarge(value_.toStdString()));
    case Kind::invalidPropertyList:
        return QStringLiteral("O sistema retornou dados de montagem inválidos. ") + value_;
    case Kind::imageCouldNotBeTrashed:
        return QStringLiteral("O arquivo criptografado do cofre não pôde ser movido para a Lixeira. ") + value_;
    case Kind::vaultDeletedButRegistryNotUpdated:
        return QStringLiteral(
                   "O arquivo criptografado foi movido para a Lixeira, mas o catálogo de cofres não pôde ser "
                   "atualizado. O cofre aparecerá como “Arquivo ausente”; apague-o novamente para "
                   "removê-lo da lista. ") +
               value_;
    case Kind::volumeBusy:
        if (holders_.isEmpty()) {
            return QStringLiteral("O cofre ainda está em uso por outro app. Feche os arquivos e janelas abertos "
                                  "dentro dele e tente novamente, ou use “Forçar bloqueio”.");
        }
        return QStringLiteral("O cofre ainda está em uso por ") + holders_.join(QStringLiteral(", ")) +
               QStringLiteral(". Feche os arquivos abertos nele e tente novamente, ou use “Forçar bloqueio”.");
    case Kind::operationInProgress:
        return QStringLiteral("Há outra operação em andamento.");
    case Kind::noSelection:
        return QStringLiteral("Selecione um cofre primeiro.");
    case Kind::vaultLocked:
        return QStringLiteral("Desbloqueie o cofre antes de continuar.");
    case Kind::missingImage:
        return QStringLiteral("O arquivo deste cofre não foi encontrado.");
    case Kind::invalidName:
        return QStringLiteral("Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'.");
    case Kind::invalidSize:
        return QStringLiteral("Escolha um tamanho entre 1 GB e 2.048 GB.");
    case Kind::emptyPassword:
        return QStringLiteral("Informe uma senha para criptografar o cofre.");
    case Kind::weakPassword:
        return QStringLiteral("Use pelo menos 8 caracteres na senha do novo cofre.");
    case Kind::invalidPassword:
        return QStringLiteral("A senha contém um caractere não suportado.");
    case Kind::unlockFailed:
        return QStringLiteral("Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
    case Kind::duplicateName:
        return QStringLiteral("Já existe um cofre com esse nome.");
    case Kind::invalidItem:
        return QStringLiteral("Esse item não pertence à raiz do cofre selecionado.");
    case Kind::itemChanged:
        return QStringLiteral("O item mudou desde que foi listado. Atualize o cofre e tente novamente.");
    case Kind::operationCancelled:
        return QString::fromStdString(ToolRunFailureText::cancelled());
    case Kind::noMountedVolume:
        return QStringLiteral("O sistema não informou o volume montado pelo cofre.");
    case Kind::detachDidNotComplete:
        return QStringLiteral("O sistema não confirmou o bloqueio do cofre; ele continua montado.");
    case Kind::unableToCreatePrivacyMarker:
        return QStringLiteral("Não foi possível criar a proteção contra indexação dentro do cofre.");
    case Kind::finderCouldNotOpen:
        return QStringLiteral("O gerenciador de arquivos não conseguiu abrir o cofre.");
    case Kind::currentPasswordIncorrect:
        return QStringLiteral("A senha atual está incorreta.");
    case Kind::passwordTooLong:
        return QStringLiteral("A senha é longa demais. Use no máximo 1.024 bytes (letras acentuadas ocupam 2).");
    case Kind::attachFailed:
        return value_.isEmpty() ? QStringLiteral("Não foi possível desbloquear este cofre.")
                                : QStringLiteral("Não foi possível desbloquear este cofre: ") + value_;
    case Kind::vaultConfigurationDamaged:
        return QStringLiteral("A configuração de criptografia deste cofre (gocryptfs.conf) está danificada ou "
                              "ilegível, e o cofre não pôde ser desbloqueado.");
    case Kind::encryptionToolMissing:
        return QStringLiteral("O gocryptfs não está instalado, e sem ele nenhum cofre pode ser desbloqueado. Instale "
                              "o pacote gocryptfs e tente novamente.");
    case Kind::fuseUnavailable:
        return QStringLiteral("O sistema não permitiu montar o cofre porque o FUSE não está disponível. Verifique se "
                              "/dev/fuse existe e se o pacote fuse3 está instalado.");
    case Kind::unlockTimedOut:
        return QStringLiteral("O desbloqueio não terminou a tempo e foi interrompido. O cofre continua bloqueado.");
    case Kind::vaultPasswordIncorrect:
        return QStringLiteral("A senha do cofre está incorreta.");
    case Kind::invalidRecoveryKey:
        return QStringLiteral("A chave de recuperação tem 64 dígitos de 0 a 9 e de a a f; traços e espaços entre eles "
                              "são aceitos.");
    case Kind::recoveryKeyIncorrect:
        return QStringLiteral("Esta chave de recuperação não abre o cofre. Confira os dígitos e tente novamente; nada "
                              "foi alterado.");
    case Kind::insufficientVaultSpace:
        return QStringLiteral("Não há espaço suficiente no cofre “") + value_ + QStringLiteral("”: faltam ") +
               sizeText(byteCount_) + QStringLiteral(".");
    case Kind::insufficientDiskSpace:
        return QStringLiteral("Não há espaço suficiente no disco: faltam ") + sizeText(byteCount_) +
               QStringLiteral(".");
    case Kind::capacityBelowUsage:
        return QStringLiteral("A capacidade não pode ficar abaixo do que o cofre já usa (") + sizeText(byteCount_) +
               QStringLiteral(").");
    }
    return {};
}

const char* VaultError::what() const noexcept
{
    return utf8Description_.c_str();
}

bool VaultError::operator==(const VaultError& other) const
{
    return kind_ == other.kind_ && value_ == other.value_ && status_ == other.status_ &&
           diagnostic_ == other.diagnostic_ && holders_ == other.holders_ && byteCount_ == other.byteCount_;
}
