#include "disktools/VaultPassword.h"

#include "disktools/ToolFailure.h"
#include "posix/PosixCategory.h"

#include <cerrno>
#include <unistd.h>

VaultPassword VaultPassword::readNulTerminated(int fd)
{
    // One byte more than allowed, to tell a password of exactly the maximum from a longer one.
    SecretBytes bytes(maximumBytes + 1);
    // A byte at a time, so that nothing after the NUL is taken: a second password may follow.
    while (bytes.room() > 0) {
        const ssize_t count = ::read(fd, bytes.end(), 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw ToolFailure("Não foi possível ler a senha da entrada padrão: " + posixCategory().message(errno));
        }
        if (count == 0) {
            break;
        }
        if (*bytes.end() == '\0') {
            return VaultPassword(std::move(bytes));
        }
        bytes.grow(1);
    }
    if (bytes.size() > maximumBytes) {
        throw ToolFailure("A senha é longa demais: o limite é de " + std::to_string(maximumBytes) + " bytes.");
    }
    return VaultPassword(std::move(bytes));
}

SecretBytes VaultPassword::gocryptfsLine() const
{
    static constexpr char digits[] = "0123456789abcdef";
    SecretBytes line(bytes_.size() * 2 + 1);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes_.data()[i]);
        line.append(digits[byte >> 4]);
        line.append(digits[byte & 0x0f]);
    }
    line.append('\n');
    return line;
}
