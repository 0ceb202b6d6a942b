#include "posix/PosixCategory.h"

#include <cerrno>
#include <string>

namespace {

// The C library's own Brazilian Portuguese translations of the errors a file operation meets.
const char* portugueseText(int errorNumber)
{
    switch (errorNumber) {
    case EPERM:
        return "Operação não permitida";
    case ENOENT:
        return "Arquivo ou diretório inexistente";
    case EIO:
        return "Erro de entrada/saída";
    case EBADF:
        return "Descritor de arquivo inválido";
    case ENOMEM:
        return "Não foi possível alocar memória";
    case EACCES:
        return "Permissão negada";
    case EBUSY:
        return "Dispositivo ou recurso está ocupado";
    case EEXIST:
        return "Arquivo existe";
    case EXDEV:
        return "Link inválido entre dispositivos";
    case ENOTDIR:
        return "Não é um diretório";
    case EISDIR:
        return "É um diretório";
    case EINVAL:
        return "Argumento inválido";
    case EMFILE:
        return "Arquivos abertos demais";
    case EFBIG:
        return "Arquivo muito grande";
    case ENOSPC:
        return "Não há espaço disponível no dispositivo";
    case EROFS:
        return "Sistema de arquivos somente para leitura";
    case EMLINK:
        return "Links demais";
    case EPIPE:
        return "Pipe quebrado";
    case ENAMETOOLONG:
        return "Nome de arquivo muito longo";
    case ENOTEMPTY:
        return "Diretório não vazio";
    case ELOOP:
        return "Muitos níveis de links simbólicos";
    case ENOTSUP:
        return "Operação não suportada";
    case EDQUOT:
        return "Quota de disco excedida";
    case ENOTCONN:
        return "O ponto final de transporte não está conectado";
    // What a vault volume answers once its gocryptfs daemon is gone.
    case ECONNABORTED:
        return "Conexão abortada por software";
    case ETIMEDOUT:
        return "Tempo esgotado para conexão";
    case ECANCELED:
        return "Operação cancelada";
    case EOVERFLOW:
        return "Valor muito grande para o tipo de dados definido";
    default:
        return nullptr;
    }
}

class PortuguesePosixCategory final : public std::error_category
{
public:
    const char* name() const noexcept override { return "posix"; }

    std::string message(int errorNumber) const override
    {
        if (const char* text = portugueseText(errorNumber)) {
            return text;
        }
        // Never the C library's English text: the number still lets the cause be looked up.
        return "Erro do sistema número " + std::to_string(errorNumber);
    }

    std::error_condition default_error_condition(int errorNumber) const noexcept override
    {
        return std::generic_category().default_error_condition(errorNumber);
    }
};

} // namespace

const std::error_category& posixCategory()
{
    static const PortuguesePosixCategory category;
    return category;
}
