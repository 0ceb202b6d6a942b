#include "posix/AtomicFile.h"

#include "posix/PosixCategory.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

void AtomicFile::write(const std::string& path, std::string_view contents, mode_t mode)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        throw std::system_error(errno, posixCategory(), path);
    }
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw std::system_error(error, posixCategory(), path);
    };
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t count = ::write(fd, contents.data() + written, contents.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            fail(errno);
        }
        written += std::size_t(count);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        fail(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw std::system_error(error, posixCategory(), path);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw std::system_error(error, posixCategory(), path);
    }
}
