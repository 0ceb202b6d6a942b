#include "model/VaultRegistry.h"

#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "platform/PathError.h"
#include "platform/PosixError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Standardized, so without a trailing slash: a trailing slash would make lstat follow a symbolic
// link to a folder, which is exactly what the checks must see.
QByteArray nativePath(const QUrl& url)
{
    return QFile::encodeName(FileLocation::standardizedPath(url));
}

[[noreturn]] void throwLastPosixError(const QString& context)
{
    // Qt's file classes report failures without an error number; errno still holds the
    // system's reason, and EIO stands in if a Qt step failed without one.
    throwPosixError(errno != 0 ? errno : EIO, context);
}

// O_NOFOLLOW: a link swapped in after the lstat check is refused rather than followed.
QByteArray readWholeFile(const QUrl& url)
{
    const QByteArray path = nativePath(url);
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0) {
        throwPosixError(errno, FileLocation::standardizedPath(url));
    }
    QByteArray contents;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int failure = errno;
            ::close(descriptor);
            throwPosixError(failure, FileLocation::standardizedPath(url));
        }
        contents.append(buffer, count);
    }
    ::close(descriptor);
    return contents;
}

QString expectedImageFileName(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toLower() + QStringLiteral(".sparsebundle");
}

} // namespace

VaultRegistry::VaultRegistry(QUrl registryURL, QUrl storageDirectory)
    : registryURL_(std::move(registryURL))
    , storageDirectory_(std::move(storageDirectory))
{
}

VaultRegistry::VaultRegistry(const KovaraPaths& paths) : VaultRegistry(paths.registryURL, paths.storageDirectory)
{
}

QUrl VaultRegistry::applicationDirectory() const
{
    return registryURL_.adjusted(QUrl::RemoveFilename);
}

QUrl VaultRegistry::imageURL(const QUuid& vaultID) const
{
    return applicationDirectory().resolved(QUrl(QStringLiteral("Vaults.noindex/") + expectedImageFileName(vaultID)));
}

QString VaultRegistry::catalogueName() const
{
    return FileLocation::lastPathComponent(FileLocation::standardizedPath(registryURL_));
}

VaultRegistry::Contents VaultRegistry::load() const
{
    QByteArray contents;
    try {
        if (!entryExists(registryURL_)) {
            return {};
        }
        rejectSymbolicLink(registryURL_, QStringLiteral("vaults.json não pode ser um link simbólico."));
        contents = readWholeFile(registryURL_);
    } catch (const PathError& error) {
        // The user knows the file by its name, not by where the program keeps it.
        throw PathError(error.code().value(), catalogueName());
    }

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        throw Vault::catalogueFormatError();
    }
    Contents loaded;
    for (const QJsonValue entry : document.array()) {
        loaded.vaults.append(Vault::fromJson(entry));
    }
    loaded.problems = problemsOf(loaded.vaults);
    return loaded;
}

QHash<QUuid, QString> VaultRegistry::problemsOf(const QList<Vault>& vaults) const
{
    const QString storagePath = FileLocation::standardizedPath(storageDirectory_);
    QSet<QUuid> seenIDs;
    QSet<QString> seenNames;
    QHash<QUuid, QString> problems;
    for (const Vault& vault : vaults) {
        // Rows, the selection and sessions are keyed by id, so a repeated one cannot be shown on
        // a row of its own: it stays a fault of the whole file.
        if (seenIDs.contains(vault.id)) {
            throw VaultError::invalidRegistry(QStringLiteral("Há IDs de cofre repetidos."));
        }
        seenIDs.insert(vault.id);
        if (std::optional<QString> problem = problemOf(vault, storagePath, seenNames)) {
            problems.insert(vault.id, *problem);
        }
    }
    return problems;
}

std::optional<QString> VaultRegistry::problemOf(const Vault& vault, const QString& storagePath,
                                                QSet<QString>& seenNames)
{
    const QString nameKey = nameComparisonKey(vault.name);
    if (nameKey.isEmpty() || seenNames.contains(nameKey)) {
        return QStringLiteral("Há nomes de cofre vazios ou repetidos.");
    }
    seenNames.insert(nameKey);

    // Compared after removing `.` and `..`, so a path that leaves the folder and comes back
    // elsewhere is caught; the file name comparison is case-sensitive.
    const QString imagePath = FileLocation::standardizedPath(vault.imageURL);
    const qsizetype lastSlash = imagePath.lastIndexOf(QLatin1Char('/'));
    if (!vault.imageURL.isLocalFile() || lastSlash < 0 || imagePath.left(lastSlash) != storagePath ||
        imagePath.mid(lastSlash + 1) != expectedImageFileName(vault.id)) {
        return QStringLiteral("O caminho de um cofre está fora de Vaults.noindex.");
    }

    // A missing image, or one that cannot be examined, is no fault of the entry: the vault then
    // shows as missing.
    struct stat status = {};
    if (::lstat(QFile::encodeName(imagePath).constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
        return QStringLiteral("A imagem de um cofre não pode ser um link simbólico.");
    }
    return std::nullopt;
}

void VaultRegistry::validate(const QList<Vault>& vaults, const QSet<QUuid>& knownProblems) const
{
    const QHash<QUuid, QString> problems = problemsOf(vaults);
    for (const Vault& vault : vaults) {
        if (problems.contains(vault.id) && !knownProblems.contains(vault.id)) {
            throw VaultError::invalidRegistry(problems.value(vault.id));
        }
    }
}

QByteArray VaultRegistry::validateForSave(const QList<Vault>& vaults, const QSet<QUuid>& knownProblems) const
{
    validate(vaults, knownProblems);

    const QUrl applicationURL = applicationDirectory();
    const bool applicationDirectoryExists = entryExists(applicationURL);
    if (applicationDirectoryExists) {
        rejectSymbolicLink(applicationURL, QStringLiteral("A pasta Kovara não pode ser um link simbólico."));
    }
    if (entryExists(storageDirectory_)) {
        rejectSymbolicLink(storageDirectory_, QStringLiteral("Vaults.noindex não pode ser um link simbólico."));
    }
    if (entryExists(registryURL_)) {
        rejectSymbolicLink(registryURL_, QStringLiteral("vaults.json não pode ser um link simbólico."));
    }
    if (applicationDirectoryExists && ::access(nativePath(applicationURL).constData(), W_OK) != 0) {
        throw VaultError::registryUnavailable(
            QStringLiteral("A pasta Kovara não permite gravação; confira as permissões de ") +
            FileLocation::standardizedPath(applicationURL) + QStringLiteral("."));
    }

    QJsonArray entries;
    for (const Vault& vault : vaults) {
        entries.append(vault.toJson());
    }
    // QJsonObject keeps its keys sorted, so Indented output is pretty-printed with sorted keys.
    return QJsonDocument(entries).toJson(QJsonDocument::Indented);
}

void VaultRegistry::save(const QList<Vault>& vaults, const QSet<QUuid>& knownProblems) const
{
    const QByteArray bytes = validateForSave(vaults, knownProblems);

    // Every failure from here on is the catalogue's, whichever of its steps met it (its folder,
    // the temporary file, the replacement), so it names the catalogue.
    std::error_code creationFailure;
    std::filesystem::create_directories(nativePath(applicationDirectory()).toStdString(), creationFailure);
    if (creationFailure) {
        throwPosixError(creationFailure.value(), catalogueName());
    }

    QSaveFile file(FileLocation::standardizedPath(registryURL_));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        throwLastPosixError(catalogueName());
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        throwLastPosixError(catalogueName());
    }
    errno = 0;
    if (!file.commit()) {
        throwLastPosixError(catalogueName());
    }
}

bool VaultRegistry::entryExists(const QUrl& url)
{
    struct stat status = {};
    if (::lstat(nativePath(url).constData(), &status) == 0) {
        return true;
    }
    if (errno == ENOENT) {
        return false;
    }
    throwPosixError(errno, FileLocation::standardizedPath(url));
}

void VaultRegistry::rejectSymbolicLink(const QUrl& url, const QString& description)
{
    struct stat status = {};
    if (::lstat(nativePath(url).constData(), &status) != 0) {
        throwPosixError(errno, FileLocation::standardizedPath(url));
    }
    if (S_ISLNK(status.st_mode)) {
        throw VaultError::invalidRegistry(description);
    }
}

QString VaultRegistry::nameComparisonKey(const QString& name)
{
    const QList<uint> decomposed = name.trimmed().normalized(QString::NormalizationForm_D).toUcs4();
    QString withoutMarks;
    withoutMarks.reserve(decomposed.size());
    for (const uint codePoint : decomposed) {
        switch (QChar::category(char32_t(codePoint))) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            break;
        default:
            withoutMarks += QChar::fromUcs4(char32_t(codePoint));
        }
    }
    return withoutMarks.toCaseFolded();
}
