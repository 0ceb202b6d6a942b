#include "system/StorageSafety.h"

#include "model/VaultError.h"
#include "platform/EntryStatus.h"
#include "platform/FileLocation.h"
#include "platform/PosixError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr mode_t privateDirectoryMode = 0700;
const QString markerName = QString::fromLatin1(StorageSafety::privacyMarkerName);

void makeDirectory(const QString& path, bool createIntermediates)
{
    if (createIntermediates) {
        const QString parent = FileLocation::parentPath(path);
        if (parent != path && !entryStatus(parent)) {
            makeDirectory(parent, true);
        }
    }
    if (mkdir(QFile::encodeName(path).constData(), privateDirectoryMode) != 0) {
        throwPosixError(errno, path);
    }
}

bool isDirectory(const std::optional<struct stat>& status)
{
    return status && S_ISDIR(status->st_mode);
}

VaultError notARealDirectory(const QString& path)
{
    return VaultError::unsafeStorage(FileLocation::lastPathComponent(path) +
                                     QStringLiteral(" não é um diretório real."));
}

} // namespace

StorageSafety::StorageSafety(KovaraPaths paths) : paths_(std::move(paths))
{
}

void StorageSafety::ensureRealDirectory(const QString& path, bool createIntermediates)
{
    std::optional<struct stat> status = entryStatus(path);
    if (!status) {
        makeDirectory(path, createIntermediates);
        try {
            status = entryStatus(path);
        } catch (const std::system_error&) {
            throw notARealDirectory(path);
        }
    }
    if (!isDirectory(status)) {
        throw notARealDirectory(path);
    }
}

void StorageSafety::validateOptionalRealDirectory(const QString& path)
{
    const std::optional<struct stat> status = entryStatus(path);
    if (status && !S_ISDIR(status->st_mode)) {
        throw notARealDirectory(path);
    }
}

void StorageSafety::requireStorageInsideApplicationDirectory() const
{
    const QString storage = FileLocation::normalizedPath(paths_.storageDirectory);
    const QString application = FileLocation::normalizedPath(paths_.applicationDirectory);
    if (FileLocation::parentPath(storage) != application) {
        throw VaultError::unsafeStorage(QStringLiteral("Vaults.noindex não está dentro da pasta Kovara esperada."));
    }
}

void StorageSafety::createPrivacyMarker(const QString& directory)
{
    const QString marker = directory + QLatin1Char('/') + markerName;
    const std::optional<struct stat> status = entryStatus(marker);
    if (!status) {
        const int descriptor =
            open(QFile::encodeName(marker).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            throw VaultError(VaultError::Kind::unableToCreatePrivacyMarker);
        }
        close(descriptor);
        return;
    }
    if (!S_ISREG(status->st_mode)) {
        throw VaultError::unsafeStorage(markerName + QStringLiteral(" não é um arquivo regular."));
    }
}

QString StorageSafety::validateImageLocation(const Vault& vault, bool requireExistingBundle) const
{
    const QString image = FileLocation::standardizedPath(vault.imageURL);
    const QString storage = FileLocation::standardizedPath(paths_.storageDirectory);
    if (image.isEmpty() || FileLocation::parentPath(image) != storage ||
        FileLocation::lastPathComponent(image) != imageFileName(vault)) {
        throw VaultError::unsafeStorage(QStringLiteral("O caminho da imagem não corresponde ao cofre."));
    }
    const QString resolvedStorage = FileLocation::normalizedPath(storage);
    if (FileLocation::normalizedPath(FileLocation::parentPath(image)) != resolvedStorage) {
        throw VaultError::unsafeStorage(QStringLiteral("O destino da imagem saiu de Vaults.noindex."));
    }
    // The path that was checked, and not the catalogue's spelling of it, is the one used: a
    // ".." after a symbolic link would otherwise lead the tools somewhere the check never saw.
    QString checked = resolvedStorage + QLatin1Char('/') + imageFileName(vault);
    if (!requireExistingBundle) {
        return checked;
    }
    const std::optional<struct stat> status = entryStatus(checked);
    if (!status) {
        throw VaultError(VaultError::Kind::missingImage);
    }
    if (!S_ISDIR(status->st_mode)) {
        throw VaultError::unsafeStorage(QStringLiteral("A imagem do cofre não é um diretório real."));
    }
    return checked;
}

bool StorageSafety::entryExists(const QString& path)
{
    return entryStatus(path).has_value();
}

bool StorageSafety::isRealDirectory(const QString& path)
{
    return isDirectory(entryStatus(path));
}

QString StorageSafety::imageFileName(const Vault& vault)
{
    return vault.id.toString(QUuid::WithoutBraces).toLower() + QStringLiteral(".sparsebundle");
}
