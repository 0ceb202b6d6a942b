#include "disktools/RecoveryKey.h"

#include "disktools/ToolFailure.h"
#include "posix/PosixCategory.h"

#include <cctype>
#include <cerrno>
#include <unistd.h>

namespace {

// Generous room for the digits with a separator between each pair, and then some.
constexpr std::size_t maximumInputBytes = 512;

} // namespace

std::optional<RecoveryKey> RecoveryKey::fromText(std::string_view text)
{
    SecretBytes digits(digitCount);
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '-' || std::isspace(byte) != 0) {
            continue;
        }
        if (std::isxdigit(byte) == 0 || digits.room() == 0) {
            return std::nullopt;
        }
        digits.append(static_cast<char>(std::tolower(byte)));
    }
    if (digits.size() != digitCount) {
        return std::nullopt;
    }
    return RecoveryKey(std::move(digits));
}

RecoveryKey RecoveryKey::readNulTerminated(int fd)
{
    SecretBytes text(maximumInputBytes);
    while (text.room() > 0) {
        const ssize_t count = ::read(fd, text.end(), 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw ToolFailure("Não foi possível ler a chave da entrada padrão: " + posixCategory().message(errno));
        }
        if (count == 0 || *text.end() == '\0') {
            break;
        }
        text.grow(1);
    }
    std::optional<RecoveryKey> key = fromText(text.view());
    if (!key) {
        throw ToolFailure("A chave de recuperação deve ter 64 dígitos hexadecimais.");
    }
    return std::move(*key);
}

SecretBytes RecoveryKey::gocryptfsLine() const
{
    SecretBytes line(digits_.size() + 1);
    for (const char digit : digits_.view()) {
        line.append(digit);
    }
    line.append('\n');
    return line;
}
