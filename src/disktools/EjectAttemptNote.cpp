#include "disktools/EjectAttemptNote.h"

#include "disktools/MountBase.h"
#include "posix/UniqueFd.h"

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One note at a time is enough: the app ejects one volume at a time.
constexpr const char* noteName = ".eject-attempt";

struct Note
{
    std::string mountPoint;
    std::chrono::system_clock::time_point written;
};

// The note in the base, when the base is private and the note a regular file of this user's
// naming a mount point no longer than `longest` (a longer one cannot be the one asked about).
std::optional<Note> readNote(int base, std::size_t longest)
{
    // O_NONBLOCK: whatever else might sit under the note's name, opening it never waits.
    const UniqueFd note(::openat(base, noteName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status = {};
    if (!note.isValid() || ::fstat(note.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != ::geteuid() || status.st_size < 0 || std::size_t(status.st_size) > longest) {
        return std::nullopt;
    }
    std::string mountPoint(std::size_t(status.st_size), '\0');
    if (::read(note.get(), mountPoint.data(), mountPoint.size()) != status.st_size) {
        return std::nullopt;
    }
    const auto written = std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    return Note{std::move(mountPoint),
                std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(written))};
}

} // namespace

bool EjectAttemptNote::followsAttemptOn(const std::string& mountPoint)
{
    const UniqueFd base = MountBase::openPrivate(MountBase::defaultLocation());
    if (!base.isValid()) {
        return false;
    }
    const std::optional<Note> note = readNote(base.get(), mountPoint.size());
    if (!note || note->mountPoint != mountPoint) {
        return false;
    }
    // A clock set back makes the note look written in the future: it is not trusted then.
    const auto age = std::chrono::system_clock::now() - note->written;
    return age >= std::chrono::system_clock::duration::zero() && age < freshness;
}

bool EjectAttemptNote::leave(const std::string& mountPoint)
{
    const UniqueFd base = MountBase::openPrivate(MountBase::defaultLocation());
    if (!base.isValid()) {
        return false;
    }
    UniqueFd note(::openat(base.get(), noteName, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                           0600));
    // A path is far shorter than what one write to a regular file always takes whole.
    return note.isValid() &&
           ::write(note.get(), mountPoint.data(), mountPoint.size()) == static_cast<ssize_t>(mountPoint.size()) &&
           note.closeChecked();
}

void EjectAttemptNote::forget(const std::string& mountPoint)
{
    const UniqueFd base = MountBase::openPrivate(MountBase::defaultLocation());
    if (!base.isValid()) {
        return;
    }
    if (const std::optional<Note> note = readNote(base.get(), mountPoint.size());
        note && note->mountPoint == mountPoint) {
        ::unlinkat(base.get(), noteName, 0);
    }
}
