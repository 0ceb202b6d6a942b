#include "disktools/ImageCreation.h"

#include "disktools/FilePath.h"
#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VaultPassword.h"
#include "posix/FileTreeRemoval.h"
#include "posix/FolderLock.h"
#include "posix/PosixCategory.h"
#include "posix/UnfinishedImages.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const usage = "kovara-hdiutil create -size <N>g -type SPARSEBUNDLE -fs APFS -volname <nome> "
                          "-encryption AES-256 -stdinpass -nospotlight <caminho>";

[[noreturn]] void failOn(const std::string& path, int error)
{
    throw ToolFailure(path + ": " + posixCategory().message(error));
}

void makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0) {
        failOn(path, errno);
    }
}

// mkdir's mode passes through the umask; the image's folders are stated 0700 outright.
void makePrivate(const std::string& path)
{
    if (::chmod(path.c_str(), 0700) != 0) {
        failOn(path, errno);
    }
}

void checkNotInterrupted(std::stop_token stop)
{
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a imagem não foi criada.");
    }
}

// The bytes in one unit of the disk-image tools' sizes ("b" counts 512-byte sectors).
std::optional<std::uint64_t> unitBytes(char unit)
{
    switch (std::tolower(static_cast<unsigned char>(unit))) {
    case 'b':
        return 512;
    case 'k':
        return std::uint64_t{1} << 10;
    case 'm':
        return std::uint64_t{1} << 20;
    case 'g':
        return std::uint64_t{1} << 30;
    case 't':
        return std::uint64_t{1} << 40;
    default:
        return std::nullopt;
    }
}

} // namespace

std::uint64_t ImageCreation::capacityFrom(const std::string& size)
{
    const std::string_view digits = std::string_view(size).substr(0, size.empty() ? 0 : size.size() - 1);
    const std::optional<std::uint64_t> unit = size.empty() ? std::nullopt : unitBytes(size.back());
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    // Digits only: no sign, no space, no fraction.
    if (error != std::errc() || end != digits.data() + digits.size() || count == 0 || !unit) {
        throw ToolFailure("Tamanho inválido: " + size + " (use, por exemplo, 10g).");
    }
    if (count > std::numeric_limits<std::uint64_t>::max() / *unit) {
        throw ToolFailure("Tamanho grande demais: " + size + ".");
    }
    return count * *unit;
}

int ImageCreation::run(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {"-size", "-type", "-fs", "-volname", "-encryption"},
                             {"-stdinpass", "-nospotlight"}, usage);
    const std::string path = args.singleOperand();
    const std::uint64_t capacity = capacityFrom(args.requiredValue("-size"));
    std::string type = args.requiredValue("-type");
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (type != "SPARSEBUNDLE") {
        args.refuse("Só o tipo SPARSEBUNDLE é oferecido.");
    }
    if (args.requiredValue("-fs") != "APFS") {
        args.refuse("Só o sistema de arquivos APFS é aceito (o volume é um volume gocryptfs).");
    }
    if (args.requiredValue("-encryption") != "AES-256") {
        args.refuse("Só a criptografia AES-256 é oferecida.");
    }
    const std::string volumeName = args.requiredValue("-volname");
    args.requireFlag("-stdinpass");

    const VaultPassword password = VaultPassword::readNulTerminated(STDIN_FILENO);
    if (password.isEmpty()) {
        throw ToolFailure("A senha não pode ser vazia.");
    }

    const std::string target = FilePath::absoluteClean(path);
    const std::string parent = FilePath::parent(target);
    if (struct stat existing{}; ::lstat(target.c_str(), &existing) == 0) {
        failOn(target, EEXIST);
    }
    UnfinishedImages::removeAbandoned(parent);
    const std::string unfinished = UnfinishedImages::temporaryPathFor(target);
    makeFolder(unfinished);
    try {
        const FolderLock building(unfinished);
        makePrivate(unfinished);
        const std::string cipher = FilePath::join(unfinished, ImageBundle::cipherFolderName);
        makeFolder(cipher);
        makePrivate(cipher);
        checkNotInterrupted(stop);
        Gocryptfs::initialize(cipher, password, stop);
        ImageBundle::writeMetadata(unfinished, volumeName, capacity);
        checkNotInterrupted(stop);
        // Only a complete image ever bears the name, and never in place of anything already there.
        if (::renameat2(AT_FDCWD, unfinished.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
            failOn(target, errno);
        }
    } catch (...) {
        removeFileTree(unfinished);
        throw;
    }
    ToolOutput::resultLine("created: " + target);
    return 0;
}
