#include "disktools/ImageCreation.h"

#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VaultPassword.h"
#include "platform/FolderLock.h"
#include "platform/PosixError.h"
#include "platform/UnfinishedImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const usage = "kovara-hdiutil create -size <N>g -type SPARSEBUNDLE -fs APFS -volname <nome> "
                          "-encryption AES-256 -stdinpass -nospotlight <caminho>";

void makeFolder(const QString& path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
        throw ToolFailure(path + ": " + posixErrorText(errno));
    }
}

// mkdir's mode passes through the umask; the image's folders are stated 0700 outright.
void makePrivate(const QString& path)
{
    if (::chmod(QFile::encodeName(path).constData(), 0700) != 0) {
        throw ToolFailure(path + ": " + posixErrorText(errno));
    }
}

void checkNotInterrupted(std::stop_token stop)
{
    if (stop.stop_requested()) {
        throw ToolFailure("Operação interrompida; a imagem não foi criada.");
    }
}

} // namespace

quint64 ImageCreation::capacityFrom(const QString& size)
{
    static const QMap<QChar, quint64> units{
        {u'b', 512}, {u'k', 1ull << 10}, {u'm', 1ull << 20}, {u'g', 1ull << 30}, {u't', 1ull << 40}};
    const QString lower = size.toLower();
    bool isNumber = false;
    const quint64 count = lower.isEmpty() ? 0 : lower.chopped(1).toULongLong(&isNumber);
    const auto unit = lower.isEmpty() ? units.constEnd() : units.constFind(lower.back());
    if (!isNumber || count == 0 || unit == units.constEnd() || !lower.front().isDigit()) {
        throw ToolFailure("Tamanho inválido: " + size + " (use, por exemplo, 10g).");
    }
    if (count > std::numeric_limits<quint64>::max() / *unit) {
        throw ToolFailure("Tamanho grande demais: " + size + ".");
    }
    return count * *unit;
}

int ImageCreation::run(const QStringList& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {"-size", "-type", "-fs", "-volname", "-encryption"},
                             {"-stdinpass", "-nospotlight"}, usage);
    const QString path = args.singleOperand();
    const quint64 capacity = capacityFrom(args.requiredValue("-size"));
    if (args.requiredValue("-type").compare("SPARSEBUNDLE", Qt::CaseInsensitive) != 0) {
        args.refuse("Só o tipo SPARSEBUNDLE é oferecido.");
    }
    if (args.requiredValue("-fs") != "APFS") {
        args.refuse("Só o sistema de arquivos APFS é aceito (o volume é um volume gocryptfs).");
    }
    if (args.requiredValue("-encryption") != "AES-256") {
        args.refuse("Só a criptografia AES-256 é oferecida.");
    }
    const QString volumeName = args.requiredValue("-volname");
    args.requireFlag("-stdinpass");

    const VaultPassword password = VaultPassword::readNulTerminated(STDIN_FILENO);
    if (password.isEmpty()) {
        throw ToolFailure("A senha não pode ser vazia.");
    }

    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString parent = QFileInfo(target).path();
    if (struct stat existing{}; ::lstat(QFile::encodeName(target).constData(), &existing) == 0) {
        throw ToolFailure(target + ": " + posixErrorText(EEXIST));
    }
    UnfinishedImages::removeAbandoned(QFile::encodeName(parent).toStdString());
    const QString unfinished =
        QFile::decodeName(UnfinishedImages::temporaryPathFor(QFile::encodeName(target).toStdString()).c_str());
    makeFolder(unfinished);
    try {
        const FolderLock building(QFile::encodeName(unfinished).toStdString());
        makePrivate(unfinished);
        const QString cipher = QDir(unfinished).filePath(ImageBundle::cipherFolderName);
        makeFolder(cipher);
        makePrivate(cipher);
        checkNotInterrupted(stop);
        Gocryptfs::initialize(cipher, password, stop);
        ImageBundle::writeMetadata(unfinished, volumeName, capacity);
        checkNotInterrupted(stop);
        // Only a complete image ever bears the name, and never in place of anything already there.
        if (::renameat2(AT_FDCWD, QFile::encodeName(unfinished).constData(), AT_FDCWD,
                        QFile::encodeName(target).constData(), RENAME_NOREPLACE) != 0) {
            throw ToolFailure(target + ": " + posixErrorText(errno));
        }
    } catch (...) {
        QDir(unfinished).removeRecursively();
        throw;
    }
    ToolOutput::resultLine("created: " + target);
    return 0;
}
